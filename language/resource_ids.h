/* Identifiers of the resources that every language module holds, shared by
   the program and the modules' .rc sources. Plain defines: windres reads
   this file too. */
#pragma once

/* Strings */
#define IDS_CAPTION            1   /* window caption and class name, message box caption */
#define IDS_BACKDROP_RIGHT1    2
#define IDS_BACKDROP_RIGHT2    3
#define IDS_VERSION_HEAD       5
#define IDS_SAVED              7
#define IDS_INFO_HEAD          8
#define IDS_INFO_TAIL          10
#define IDS_NOTHING_TO_SET     11
#define IDS_REG_PORT_PATH      12
#define IDS_REG_INTERRUPT      13
#define IDS_REG_IO_ADDRESS     14
#define IDS_CHIP_UNKNOWN       15
#define IDS_SAVE_BUTTON        16
#define IDS_EXIT_BUTTON        17
#define IDS_BACKDROP_LEFT1     18
#define IDS_BACKDROP_LEFT2     19
#define IDS_NOT_AVAILABLE      20
#define IDS_WORD_NO            21  /* defaults in place; off word of options 1 and 2 */
#define IDS_WORD_YES           22  /* stored settings valid; on word of options 1 and 2 */
#define IDS_STATE_UNREAD       23
#define IDS_NO_ADAPTER         24
#define IDS_READ_FAILED        25
#define IDS_VERSION_TAIL       26
#define IDS_DRIVER_NAME1       27
#define IDS_DRIVER_NAME2       28
#define IDS_NO_DEVICE_MAP      29
#define IDS_REG_DRIVER         30
#define IDS_NO_MEMORY          31
#define IDS_REG_BUS            32
#define IDS_REG_TARGET_PREFIX  33
#define IDS_REG_IDENTIFIER     34
#define IDS_REG_TYPE           35
#define IDS_ADAPTER_HEADER     36
#define IDS_ADAPTER_ROW0       37  /* rows 0..3 are 37..40 */
#define IDS_ADAPTER_HELP1      41  /* help is 41, 42 and 43 run together */
#define IDS_DEFAULTS_IN_PLACE  44
#define IDS_WORD_ON            45
#define IDS_WORD_OFF           46  /* also the rate of code 0 */
#define IDS_WORD_ENABLED       47
#define IDS_WORD_DISABLED      48
#define IDS_WORD_STANDARD      49
#define IDS_WORD_EXTENDED      50
#define IDS_TABLE_HEADER1      51
#define IDS_TABLE_HEADER2      52
#define IDS_NO_DEVICE          53
#define IDS_TABLE_HELP         54  /* also the language dialog's help */
#define IDS_MIXED              55
#define IDS_DEVICE_HEADER      56
#define IDS_DEVICE_ROW0        57  /* rows 0..6 are 57..63 */
#define IDS_DEVICE_HELP1       64
#define IDS_DEVICE_HELP2       65
#define IDS_RATE_REFUSED       66
#define IDS_WORD_NO_DEVICE     67  /* off word of options 1 and 2 in the device dialog */
#define IDS_DRIVER_NAME3       68
#define IDS_WRITE_FAILED       69  /* wsprintfW format: %d port, %s chip name */
#define IDS_NO_MAIN_WINDOW     70
#define IDS_FILE_FILTER        71  /* the file dialogs' filter: its pattern *.json is added */
#define IDS_BACKUP_TITLE       72
#define IDS_RESTORE_TITLE      73
#define IDS_BACKUP_DONE        74  /* wsprintfW formats from here on: %s the file */
#define IDS_BACKUP_PARTIAL     75  /* %s the file, %d adapters left out */
#define IDS_BACKUP_NONE        76
#define IDS_BACKUP_FAILED      77  /* %s the file */
#define IDS_RESTORE_DONE       78  /* %s the file, %d settings changed, %d adapters */
#define IDS_RESTORE_SAME       79  /* %s the file */
#define IDS_FILE_REFUSED       80  /* %s the file; one of the next below it */
#define IDS_FILE_CANNOT_READ   81
#define IDS_FILE_TOO_LARGE     82
#define IDS_FILE_EMPTY         83
#define IDS_FILE_NOT_JSON      84  /* %d line */
#define IDS_FILE_FUTURE        85
#define IDS_FILE_UNKNOWN_KEY   86  /* %s field */
#define IDS_FILE_BAD_VALUE     87  /* %s field */
#define IDS_FILE_DUPLICATE     88  /* %d port */
#define IDS_FILE_NO_ADAPTER    89  /* %d port */
#define IDS_FILE_OTHER_CHIP    90  /* %d port */
#define IDS_FILE_BAD_IMAGE     91  /* %d port */
#define IDS_FILE_EDITED        92  /* %d port, %s field */
#define IDS_FILE_INVALID       93  /* %d port */
#define IDS_FILE_REFUSED_RULE  94  /* %d port, %s field */
#define IDS_WRITE_CONFLICT     95  /* %d port, %s chip name */
#define IDS_FILE_OTHER_COMPUTER 96 /* %s the backup's computer, %s this one */
#define IDS_REREAD_FAILED      97  /* %d port */
#define IDS_HISTORY_UNSAFE     98  /* %s folder */
#define IDS_HISTORY_FAILED     99  /* %s folder, %d error */

/* Menu bar and its commands */
#define IDM_MAIN               101
#define IDM_EXIT               40001
#define IDM_INFORMATION        40002
#define IDM_VERSION            40003
#define IDM_NOTHING1           40006
#define IDM_NOTHING2           40007
#define IDM_HELP               40022
#define IDM_SAVE               40028
#define IDM_LANGUAGE           40029
#define IDM_BACKUP             40030
#define IDM_RESTORE            40031
#define IDM_ADAPTER_BASE       40404
#define IDM_DEVICE_TABLE_BASE  40504

/* Dialog templates */
#define IDD_LANGUAGE_TAG       104
#define IDD_ADAPTER            111
#define IDD_HOST_ID            112
#define IDD_DEVICE_TABLE       114
#define IDD_DEVICE_HOST        116
#define IDD_DEVICE             117
#define IDD_RATE               118
#define IDD_WIDTH              119
#define IDD_YESNO_OPTION0      120
#define IDD_YESNO_OPTION12     121
#define IDD_YESNO_OPTION3      122
#define IDD_VALUE              123
#define IDD_LANGUAGE           127

/* Controls */
#define IDC_ADAPTER_LIST       1005
#define IDC_DEVICE_TABLE_LIST  1012
#define IDC_DEVICE_LIST        1013
#define IDC_WIDTH_NARROW       1016
#define IDC_WIDTH_WIDE         1017
#define IDC_YES_OPTION12       1017
#define IDC_NO_OPTION12        1018
#define IDC_VALUE_EDIT         1021
#define IDC_LANGUAGE_LIST      1022
#define IDC_HOST_ID_BASE       1040  /* 1040..1055 for SCSI IDs 0..15 */
#define IDC_YES_OPTION3        1060
#define IDC_NO_OPTION3         1061
#define IDC_DEFAULTS           1062
#define IDC_YES_OPTION0        6     /* IDYES */
#define IDC_NO_OPTION0         7     /* IDNO */
#define IDC_RATE_BASE          40604 /* 40604 asynchronous, 40605..40609 rates */

/* Resources of the executable */
#define IDB_BACKDROP           124
#define IDI_PROGRAM            125
