// Numeric identifiers of the dialog templates, menus, icons and controls.
#pragma once

// Icons, menus, dialog templates
#define IDI_APP 128
#define IDR_POPUPS 131
#define IDD_MAIN 102
#define IDD_ABOUT 158
#define IDD_PROGRESS 159
#define IDD_OPTIONS 206
#define IDD_EXIFINFO 207

// Main window (template 102)
#define IDC_FILE_LIST 1000
#define IDC_CLOSE 1001
#define IDC_MOVE_FILES 1003
#define IDC_BROWSE_OUTPUT 1004
#define IDC_OPEN_OUTPUT 1005
#define IDC_ADD_FILES 1006
#define IDC_REMOVE 1008
#define IDC_TOTAL 1009
#define IDC_ORGANIZE_MODE 1010
#define IDC_ADD_FOLDER 1011
#define IDC_YEAR_FOLDER 1012
#define IDC_MONTH_FOLDER 1013
#define IDC_DAY_FOLDER 1014
#define IDC_COPY_FILES 1017
#define IDC_HELP_MORE 1018
#define IDC_RENAME_TARGET 1019
#define IDC_EXAMPLE 1021
#define IDC_MONTH_FORMAT 1022
#define IDC_DAY_FORMAT 1023
#define IDC_FILENAME_FORMAT 1024
#define IDC_SAME_FOLDER 1025
#define IDC_ANOTHER_FOLDER 1026
#define IDC_MONTH_TAGS 1027
#define IDC_DAY_TAGS 1028
#define IDC_FILENAME_TAGS 1029
#define IDC_OPTIONS 1030
#define IDC_ORGANIZE_LABEL 1036
#define IDC_OUTPUT_GROUP 1037
#define IDC_OUTPUT_FOLDER 1044
#define IDC_REMOVE_ALL 1107

// Progress window (template 159)
#define IDC_PROGRESS_TEXT 1009
#define IDC_PROGRESS_BAR 1007
#define IDC_PROGRESS_CANCEL 1119

// Options dialog (template 206)
#define IDC_OPT_EXT_LIST 1031
#define IDC_OPT_SAVE_LOG 1032
#define IDC_OPT_LOG_BROWSE 1034
#define IDC_OPT_LOG_OPEN 1035
#define IDC_OPT_EXISTS_POLICY 1036
#define IDC_OPT_LOG_FILE 1037
#define IDC_OPT_EXT_FILTER 1080
#define IDC_OPT_SUBFOLDERS 1081

// Meta/EXIF window (template 207)
#define IDC_EXIF_PREVIOUS 1038
#define IDC_EXIF_NEXT 1039
#define IDC_EXIF_OPEN 1040
#define IDC_EXIF_BROWSE 1041
#define IDC_EXIF_LIST 1042
#define IDC_EXIF_COPY 1043

// About box (template 158)
#define IDC_ABOUT_HOMEPAGE 1111
#define IDC_ABOUT_MAKER 1112
#define IDC_ABOUT_SUPPORT 1113
#define IDC_ABOUT_TELL_FRIEND 1120
#define IDC_ABOUT_UPDATES 1122

// Commands shared by menu items and buttons
#define ID_CHECK_UPDATES 32774
#define ID_ABOUT 32775
#define ID_OPEN_SOURCE 32771
#define ID_BROWSE_SOURCE 32772
#define ID_BROWSE_TARGET 32773
#define ID_OPEN_TARGET 32778
#define ID_TELL_FRIEND 32780
#define ID_FEEDBACK 32781
#define ID_HOMEPAGE 32782
#define ID_META_INFO 32783
#define ID_HELP_CONTENTS 57670

// Sent by the sortable list to its parent after every sort (WM_USER + 110).
#define QM_LIST_SORTED 1134
