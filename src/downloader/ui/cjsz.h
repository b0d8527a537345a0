#pragma once

#include <QDialog>

#include "downloader/figurepage.h"
#include "downloader/figurerules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace lanxi {

// The window 采数设置: the pause between pages, the longest wait for a page, the log-in page's
// address marker, whether structured data is read first, and the rules of each page kind and
// figure, edited as a table (one rule a row, tried from the top) and tried on a page before
// they are saved into the settings store.
class CJSZ final : public QDialog {
  Q_OBJECT

 public:
  explicit CJSZ(FigureBrowser& browser, QWidget* parent = nullptr);

  static QString Caption();

  // The settings as the window holds them now, unsaved changes included; false (with the
  // problem shown) when something cannot be used.
  bool Collect(DownloadSettings* out);

 private:
  void Com_Click(int index);
  void ShowRules();
  void KeepRules();
  bool Save();
  void TryPage();
  PageKind Kind() const;
  Figure CurrentFigure() const;

  FigureBrowser& browser_;
  DownloadSettings settings_;
  QLineEdit* txtDelay_;
  QLineEdit* txtWait_;
  QLineEdit* txtLogin_;
  QCheckBox* chkStructured_;
  QComboBox* cmb_[2];
  QTableWidget* msf_;
  QPushButton* com_[8];
  // The page kind and figure the table shows.
  int shownKind_ = 0;
  int shownFigure_ = 0;
};

}  // namespace lanxi
