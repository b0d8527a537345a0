#include "categories/ui/categorycombo.h"

#include <QComboBox>

#include "categories/categoryedit.h"
#include "categories/categorynames.h"
#include "categories/selection.h"

namespace lanxi {
namespace {

// Shows `text` in the list: its item when there is one, else as the edit text of an editable
// list.
void ShowText(QComboBox* list, const QString& text) {
  if (list->currentText() == text) return;
  const int at = list->findText(text, Qt::MatchExactly);
  if (at >= 0) {
    list->setCurrentIndex(at);
  } else if (list->isEditable()) {
    list->setEditText(text);
  }
}

// Lets a routine rename the list's items and its current text.
template <typename Rename>
void RenameItems(QComboBox* list, Rename rename) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  QString text = list->currentText();
  rename(&items, &text);
  for (int i = 0; i < list->count() && i < items.size(); ++i) {
    if (list->itemText(i) != items[i]) list->setItemText(i, items[i]);
  }
  ShowText(list, text);
}

}  // namespace

void ApplyCategoryNames(Grid* grid, QComboBox* list) {
  if (!list) {
    ApplyCategoryNames(grid, nullptr, nullptr);
    return;
  }
  RenameItems(list,
              [grid](QStringList* items, QString* text) { ApplyCategoryNames(grid, items, text); });
}

void RefreshCategoryCaptions(Grid* grid, QComboBox* list) {
  if (!list) {
    RefreshCategoryCaptions(grid, nullptr, nullptr);
    return;
  }
  RenameItems(list, [grid](QStringList* items, QString* text) {
    RefreshCategoryCaptions(grid, items, text);
  });
}

void FillCategoryValues(QComboBox* list, const QString& field) {
  list->clear();
  list->addItems(CategoryValues(field));
  if (list->count() > 0) list->setCurrentIndex(0);
}

void FillProductList(QComboBox* list, const QString& defaultText) {
  FillProductList(list, defaultText, ProductChoiceItems());
}

void FillProductList(QComboBox* list, const QString& defaultText, const QStringList& items) {
  list->clear();
  list->addItems(items);
  if (defaultText.isEmpty()) {
    list->setCurrentIndex(0);
  } else {
    ShowText(list, defaultText);
  }
}

}  // namespace lanxi
