#include "AboutDialog.h"

#include "AboutDialogRes.h"

AboutDialog::AboutDialog()
    : ModalDialog(IDD_ABOUT, End::closed)
{
}
