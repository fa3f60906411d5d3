#include "app/views/library/qt_confirmer.h"

#include <QMessageBox>
#include <QPushButton>

namespace orvak::views::library {

bool QtConfirmer::confirm(const panes::Confirmation& question) {
  QMessageBox box(parent_.data());
  box.setIcon(QMessageBox::Warning);
  box.setText(QString::fromStdString(question.message));
  box.setInformativeText(QString::fromStdString(question.informative));
  auto* yes = box.addButton(QString::fromStdString(question.confirm), QMessageBox::AcceptRole);
  box.addButton(QString::fromStdString(question.cancel), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.exec();
  return box.clickedButton() == yes;
}

}  // namespace orvak::views::library
