#pragma once

#include <QWidget>

namespace lanxi {

class GridView;

// The dialog "产品选择": every product in a table with a check column "选择" that mouse clicks
// set and clear. It opens with the products of SelectionText ticked (and empties it); OK leaves
// the ticked products' IDs in SelectionText and their names in SelectedProductNames.
class SelProduct final : public QWidget {
  Q_OBJECT

 public:
  explicit SelProduct(QWidget* parent = nullptr);

  static QString Caption();

 private:
  void Com0_Click();

  GridView* msf_;
};

}  // namespace lanxi
