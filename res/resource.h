/* Resource and control ids of the updater: one place for the .rc file and the C++ code. */
#ifndef ZOLMIR_RESOURCE_H
#define ZOLMIR_RESOURCE_H

#define IDI_UPDATA 100

/* MAINDIALOG: the nine menu slots, slot 0 at the bottom of the column. */
#define IDC_MENU_SLOT0 1000
#define IDC_MENU_SLOT1 1001
#define IDC_MENU_SLOT2 1002
#define IDC_MENU_SLOT3 1003
#define IDC_MENU_SLOT4 1004
#define IDC_MENU_SLOT5 1005
#define IDC_MENU_SLOT6 1006
#define IDC_MENU_SLOT7 1007
#define IDC_MENU_SLOT8 1008

/* SETUP: destination folder edit and the folder browser button (Next and Cancel are IDOK, IDCANCEL). */
#define IDC_SETUP_FOLDER 1000
#define IDC_SETUP_BROWSE 1021

/* COPYINGDELUX: copy progress window (its Cancel button is IDCANCEL). */
#define IDC_COPY_FILE_BAR 1010
#define IDC_COPY_FILE_NAME 1012
#define IDC_COPY_TOTAL_BAR 1019
#define IDC_COPY_ANIMATION 1020

/* ENDINSTALL: the readme check box (OK is IDOK). */
#define IDC_END_README 1007

#endif
