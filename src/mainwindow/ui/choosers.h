#pragma once

class QLineEdit;
class QWidget;

namespace lanxi {

// The chart pages' choices. A category choice box holds the ten-field selection text; a product
// choice box shows the chosen products' names (one per line) and keeps their IDs, joined by
// ",", in its property "Tag".
inline constexpr char kChoiceIdsProperty[] = "Tag";

// Opens the category selection pre-set from the box and waits until it closes; a choice made
// replaces the box's text, a cancelled one leaves it.
void ChooseCategories(QLineEdit* box, QWidget* parent);
// Opens the product selection pre-set from the box's IDs and waits until it closes; a choice of
// at least one product replaces the box's names and IDs, otherwise both stay.
void ChooseProducts(QLineEdit* box, QWidget* parent);

}  // namespace lanxi
