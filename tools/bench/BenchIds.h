// Resource ids of the list-sorting benchmark's dialog.
#pragma once

#define IDD_BENCH_LIST 500
#define IDC_BENCH_LIST 501
