#pragma once

#include <QWidget>

class QTabBar;

namespace lanxi {

// A row of tabs over an area that holds one frame per tab. The owner places the frames and
// decides which one shows when the tab is clicked (the Click signal), as the main window's
// layout does.
class TabControl final : public QWidget {
  Q_OBJECT

 public:
  explicit TabControl(QWidget* parent = nullptr);

  // Adds a tab with its frame, a plain child widget named `frameName`.
  QWidget* addTab(const QString& caption, const QString& frameName);
  QWidget* frame(int index) const;
  int count() const;
  int currentIndex() const;
  void setCurrentIndex(int index);
  QTabBar* tabBar() const { return bar_; }

 Q_SIGNALS:
  // The current tab changed, by the user or the program.
  void Click(int previousTab);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QTabBar* bar_;
  QList<QWidget*> frames_;
  int current_ = 0;
};

}  // namespace lanxi
