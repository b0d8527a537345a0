#pragma once

#include <QWidget>

class QLabel;

namespace lanxi {

// The about window "版权说明": our emblem, who we are and how to reach us, the version and the
// development date. A click on the picture or on any of the lines opens our web site in the
// desktop's browser; "确 定" closes the window.
class Rightform final : public QWidget {
  Q_OBJECT

 public:
  explicit Rightform(QWidget* parent = nullptr);

  static QString Caption();
  // The lines of the label column lblCompany, top to bottom.
  static QStringList CompanyLines();
  // The address a click opens.
  static QString SiteAddress();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace lanxi
