// Resource ids of the soak's own dialog, shared by its script and its code.
#pragma once

#define IDD_SOAK_LIST 300
#define IDC_SOAK_LIST 301
#define IDC_SOAK_STATUS 302
