// Timing of sorting typed lists in a real list view; needs a display.
#pragma once

// Prints the times and comparison counts of sorting 1,000 and 10,000 records
// by a Date, a Money and a Text column. False when the dialog could not be
// shown or a list was not sorted afterwards.
bool RunListSortBench();
