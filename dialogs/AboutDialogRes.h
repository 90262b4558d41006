#pragma once

// The "About..." dialog.
#define IDD_ABOUT 118
