// The tuning tool's resource ids, one range per window: 100 the main window, 200 the tuning
// pages, 300 the monitor page, 400 the fan page, 500 the profiles page, 600 the boxes.
#pragma once

#define IDI_KR4 1
#define IDR_MANIFEST 1

// The main window: the pages' tabs and the line below them.
#define IDD_MAIN 100
#define IDC_TABS 101
#define IDC_MAIN_STATUS 102

// Clocks, and Voltages and ratio: four rows of label, value, in force and boot preset.
#define IDD_TUNING 200
#define IDC_ROW_LABEL 210   // + row
#define IDC_ROW_VALUE 220   // + row: editable combo box of the offered values
#define IDC_ROW_NOW 230     // + row
#define IDC_ROW_PRESET 240  // + row
#define IDC_ROW_OFFER 250   // + row: what the firmware offers
#define IDC_TUNING_APPLY 260
#define IDC_TUNING_READ 261
#define IDC_TUNING_PERMANENT 262
#define IDC_TUNING_PROGRESS 263
#define IDC_TUNING_MESSAGE 264
#define IDC_TUNING_HEAD_NOW 265
#define IDC_TUNING_HEAD_PRESET 266

// Monitor and alarms.
#define IDD_MONITOR 300
#define IDC_MON_GRAPH 301
#define IDC_MON_READINGS 302
#define IDC_MON_CPUFAN 310
#define IDC_MON_SYSFAN 311
#define IDC_MON_PWRFAN 312
#define IDC_MON_CPUTEMP 313
#define IDC_MON_SYSTEMP 314
#define IDC_MON_SOUND_ON 320
#define IDC_MON_BEEP 321
#define IDC_MON_FILE 322
#define IDC_MON_FILE_PATH 323
#define IDC_MON_TEST 324
#define IDC_MON_SAVE 325
#define IDC_MON_MESSAGE 326
#define IDC_MON_BROWSE 327
#define IDC_MON_TEMP_VALUE 330  // + temperature index from 0
#define IDC_MON_FAN_VALUE 340   // + fan index from 0

// Smart fan.
#define IDD_FAN 400
#define IDC_FAN_SCHEDULE 401
#define IDC_FAN_ON_TIME 402
#define IDC_FAN_OFF_TIME 403
#define IDC_FAN_ALWAYS 404
#define IDC_FAN_SAVE 405
#define IDC_FAN_NOW_ON 406
#define IDC_FAN_NOW_OFF 407
#define IDC_FAN_MESSAGE 408

// Profiles and start-up.
#define IDD_PROFILES 500
#define IDC_PROF_LIST 501
#define IDC_PROF_NAME 502
#define IDC_PROF_SAVE 503
#define IDC_PROF_APPLY 504
#define IDC_PROF_DELETE 505
#define IDC_PROF_EXPORT 506
#define IDC_PROF_IMPORT 507
#define IDC_PROF_STARTUP 508
#define IDC_PROF_STARTUP_SET 509
#define IDC_PROF_AUTOOVER 510
#define IDC_PROF_GUARD 511
#define IDC_PROF_MESSAGE 512

// "Keep these settings?"
#define IDD_KEEP 600
#define IDC_KEEP_TEXT 601
#define IDC_KEEP_COUNT 602
