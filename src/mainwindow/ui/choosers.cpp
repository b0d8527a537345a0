#include "mainwindow/ui/choosers.h"

#include <QLineEdit>

#include "categories/selection.h"
#include "categories/ui/selclass.h"
#include "categories/ui/selproduct.h"
#include "mainwindow/ui/forms.h"

namespace lanxi {
namespace {

// A selection dialog is open already (a second click while it is waited for): it comes to the
// front, and the waiting caller keeps it.
template <typename Dialog>
bool RaiseOpen(QWidget* parent) {
  if (!IsFormOpen(Dialog::Caption())) return false;
  for (Dialog* open : parent->findChildren<Dialog*>()) {
    open->raise();
    open->activateWindow();
  }
  return true;
}

// Shows a selection dialog and waits until it has closed.
template <typename Dialog>
void ShowAndWait(QWidget* parent) {
  (new Dialog(parent))->show();
  WaitWhileFormOpen(Dialog::Caption());
}

}  // namespace

void ChooseCategories(QLineEdit* box, QWidget* parent) {
  if (RaiseOpen<SelClass>(parent)) return;
  SelectionText = box->text();
  ShowAndWait<SelClass>(parent);
  if (!SelectionText.isEmpty()) box->setText(SelectionText);
  SelectionText.clear();
}

void ChooseProducts(QLineEdit* box, QWidget* parent) {
  if (RaiseOpen<SelProduct>(parent)) return;
  SelectionText = box->property(kChoiceIdsProperty).toString();
  ShowAndWait<SelProduct>(parent);
  if (!SelectionText.isEmpty()) {
    box->setText(SelectedProductNames);
    box->setProperty(kChoiceIdsProperty, SelectionText);
  }
  SelectionText.clear();
}

}  // namespace lanxi
