// Numbers shared by the resource script and the code that reacts to them. Plain #defines
// only: windres reads this file too.
#ifndef QUILLIX_RESOURCE_IDS_H
#define QUILLIX_RESOURCE_IDS_H

// Menu commands (WM_COMMAND low word).
#define IDM_FILE_OPEN 10
#define IDM_FILE_SAVE 11
#define IDM_FILE_SAVE_AS 12
#define IDM_FILE_EXPORT_AS 13
#define IDM_FILE_EXIT 14
#define IDM_FILE_COMPARE_WITH 15
// The recent files above Exit, the most recent first: ids 100..107.
#define IDM_FILE_RECENT_FIRST 100
#define IDM_FILE_RECENT_LAST 107
#define IDM_SEARCH_FIND 20
#define IDM_SEARCH_GOTO 21
// F3 and Shift+F3: keys without a menu item.
#define IDM_SEARCH_FIND_NEXT 22
#define IDM_SEARCH_FIND_PREVIOUS 23
#define IDM_SEARCH_NEXT_DIFFERENCE 24
#define IDM_SEARCH_PREVIOUS_DIFFERENCE 25
#define IDM_SEARCH_REPLACE 26
#define IDM_SEARCH_TOGGLE_BOOKMARK 27
#define IDM_SEARCH_NEXT_BOOKMARK 28
#define IDM_SEARCH_PREVIOUS_BOOKMARK 29
#define IDM_SEARCH_BACK 37
#define IDM_SEARCH_FORWARD 38
#define IDM_VIEW_DATA_INSPECTOR 50
#define IDM_VIEW_CLOSE_COMPARISON 51
#define IDM_VIEW_ROW_8 70
#define IDM_VIEW_ROW_16 71
#define IDM_VIEW_ROW_32 72
#define IDM_VIEW_ROW_64 73
#define IDM_VIEW_GROUP_1 74
#define IDM_VIEW_GROUP_2 75
#define IDM_VIEW_GROUP_4 76
#define IDM_VIEW_GROUP_8 77
#define IDM_VIEW_DECIMAL_OFFSETS 78
#define IDM_VIEW_CHARSET_ASCII 80
#define IDM_VIEW_CHARSET_WINDOWS 81
#define IDM_VIEW_CHARSET_OEM 82
#define IDM_VIEW_CHARSET_EBCDIC 83
#define IDM_VIEW_ZOOM_IN 84
#define IDM_VIEW_ZOOM_OUT 85
#define IDM_VIEW_ACTUAL_SIZE 86
#define IDM_VIEW_FONT 87
#define IDM_VIEW_THEME_SYSTEM 88
#define IDM_VIEW_THEME_LIGHT 89
#define IDM_VIEW_THEME_DARK 90
#define IDM_VIEW_BOOKMARKS 91
#define IDM_TOOLS_CHECKSUMS 60
#define IDM_HELP_CONTENTS 30
#define IDM_HELP_ABOUT 31
#define IDM_HELP_CHECK_UPDATES 32
// The Edit menu.
#define IDM_EDIT_UNDO 40
#define IDM_EDIT_REDO 41
#define IDM_EDIT_COPY 42
#define IDM_EDIT_PASTE 43
#define IDM_EDIT_SELECT_ALL 44
#define IDM_EDIT_SELECT_BLOCK 45
#define IDM_EDIT_FILL_SELECTION 46
#define IDM_EDIT_COPY_AS_HEX 47
#define IDM_EDIT_COPY_AS_C_ARRAY 48
#define IDM_EDIT_COPY_AS_BASE64 49

// Controls of the Find and Goto templates. The common find dialog itself drives
// IDC_FIND_EDIT (its edt1), IDC_MATCH_CASE (chx1), IDC_DIR_UP and IDC_DIR_DOWN (rad1, rad2),
// IDOK and IDCANCEL; the mode buttons and their group boxes are ours alone.
#define IDC_VALUE_GROUP_FIND 1017
#define IDC_FIND_HEX 1018
#define IDC_FIND_ASCII 1019
#define IDC_VALUE_GROUP_GOTO 1020
#define IDC_GOTO_HEX 1021
#define IDC_GOTO_DEC 1022
#define IDC_FIND_UTF16 1023
#define IDC_MATCH_CASE 1041
#define IDC_DIR_UP 1056
#define IDC_DIR_DOWN 1057
#define IDC_FIND_LABEL 1151
#define IDC_FIND_EDIT 1152
// The Replace template: the common replace dialog's own Replace with edit (edt2), Replace
// and Replace All buttons (psh1, psh2); Find All and In selection are ours.
#define IDC_REPLACE_EDIT 1153
#define IDC_REPLACE 1024
#define IDC_REPLACE_ALL 1025
#define IDC_FIND_ALL 1160
#define IDC_IN_SELECTION 1161

// Select Block and Fill Selection.
#define IDC_BLOCK_START 1171
#define IDC_BLOCK_LENGTH 1172
#define IDC_BLOCK_HEX 1173
#define IDC_BLOCK_DEC 1174
#define IDC_FILL_PATTERN 1178

// The bookmarks' window.
#define IDC_BOOKMARKS_LIST 1321

// The search results' window.
#define IDC_RESULTS_NOTE 1331
#define IDC_RESULTS_LIST 1332

// The data inspector's list.
#define IDC_INSPECTOR_LIST 1301

// The checksums' window.
#define IDC_CHECKSUMS_RANGE 1311
#define IDC_CHECKSUMS_NOTE 1312
#define IDC_CHECKSUMS_LIST 1313
#define IDC_CHECKSUMS_COMPARE_LABEL 1314
#define IDC_CHECKSUMS_COMPARE 1315
#define IDC_CHECKSUMS_VERDICT 1316

#endif
