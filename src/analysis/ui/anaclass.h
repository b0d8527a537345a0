#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "analysis/ui/chartview.h"
#include "tables/grid.h"

class QComboBox;
class QDateEdit;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace lanxi {

class GridView;

// The window "产品类别构成分析": compares the values of one category field across all products
// with one of eight measures over a date range (CalToTempTable), as a table MSF and a chart Pic.
// It is modeless and exists once; the right mouse button on the table or the chart asks for the
// program's table or picture menu through a signal, which the main window answers.
class Ana_Class final : public QWidget {
  Q_OBJECT

 public:
  static QString Caption();

  // Shows the window, making it first when it is not open; `currentDbName` gives the name of the
  // current database for the chart titles. `created` tells whether the window was made now, so
  // that the caller connects its signals once.
  static Ana_Class* Open(QWidget* parent, std::function<QString()> currentDbName,
                         bool* created = nullptr);

  explicit Ana_Class(std::function<QString()> currentDbName, QWidget* parent = nullptr);

  // "数据分析": runs the chosen measure.
  void Com_Click();
  // The index of the set option button Op(i).
  int ChosenOption() const;

 Q_SIGNALS:
  // The right mouse button was released over the table or over the chart, at `globalPos`.
  void TableMenuRequested(lanxi::Grid* grid, const QPoint& globalPos);
  void PictureMenuRequested(lanxi::ChartView* chart, const QPoint& globalPos);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Form_Load();
  void Form_Resize();

  std::function<QString()> currentDbName_;
  QGroupBox* frm_ = nullptr;
  QComboBox* cmb_ = nullptr;
  QDateEdit* dt_[2] = {};
  QRadioButton* op_[8] = {};
  QPushButton* com_ = nullptr;
  GridView* msf_ = nullptr;
  ChartView* pic_ = nullptr;
};

}  // namespace lanxi
