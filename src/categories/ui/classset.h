#pragma once

#include <QWidget>

class QLineEdit;

namespace lanxi {

class GridView;

// The window "分类名称设置": the ten categories with their internal captions and the names
// shown for them. A click on a name opens the editor T over it; every change goes into the
// grid at once. OK stores the names that differ from their internal captions and reports
// NamesSaved; Cancel leaves everything as it was.
class ClassSet final : public QWidget {
  Q_OBJECT

 public:
  explicit ClassSet(QWidget* parent = nullptr);

  static QString Caption();

 Q_SIGNALS:
  // OK stored the names: captions that show them are to be refreshed.
  void NamesSaved();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Load();
  void EditCell();
  void HideEditor(bool restore);
  void Com0_Click();

  GridView* msf_;
  QLineEdit* t_;
  int editRow_ = 0;
  QString before_;
};

}  // namespace lanxi
