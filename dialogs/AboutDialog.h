#pragma once

#include "ModalDialog.h"

// The "About..." box: the banner, the version and the web-site line, all from
// its template. Opened from the tray menu; a second opening brings the open
// one to the front. Every way of closing it ends it as closed.
class AboutDialog : public ModalDialog {
public:
    AboutDialog();
};
