// Identifiers of the executable's resources, shared by the resource script and
// the code that loads them.
#pragma once

// String table: the format of the uninstall question (one %s for the display
// name) and the service description.
#define IDS_UNINSTALL_QUESTION 110
#define IDS_SERVICE_DESCRIPTION 111

// What the program tells whoever uses it: the dialog's refusals of a field,
// and failed installations and removals ("%1": the system's text for the
// error, "%2": its number).
#define IDS_NO_SERVER 112
#define IDS_BAD_INTERVAL 113
#define IDS_ALREADY_INSTALLED 114
#define IDS_INSTALL_FAILED 115
#define IDS_UNINSTALL_FAILED 116

// The configuration dialog template, and the two header arrows (ascending,
// descending; 16x16 each on magenta) of sorted list-view columns.
#define IDD_CONFIGURATION 111
#define IDB_SORT_ARROWS 1111

// Message table of the event source (Messages.mc): what the service and the
// installation write to the event log. "%1" and on are the event's inserts.
#define MSG_SERVICE_INSTALLED 100    // %1 display name
#define MSG_SERVICE_REMOVED 101      // %1 display name
#define MSG_SERVICE_NOT_REMOVED 102  // %1 display name
#define MSG_NO_CONTROL_HANDLER 103
#define MSG_INITIALIZATION_FAILED 104
#define MSG_SERVICE_STARTED 105
#define MSG_SERVICE_STOPPED 108
#define MSG_SETTINGS 109           // servers, their key, interval, its key
#define MSG_CLOCK_SET 110          // server, correction
#define MSG_CLOCK_AGREES 111       // server, how far off
#define MSG_NO_ANSWER 112          // when the next attempt is due
#define MSG_ANSWER_REFUSED 113     // server, the time it said, next attempt
#define MSG_CLOCK_NOT_SET 114      // server, the system's text, error number
#define MSG_NETWORK_NOT_READY 115  // next attempt
