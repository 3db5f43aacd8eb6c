#include "sheet_dialog.h"

SheetDialog::SheetDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(false);
}
