// Every language string id the program asks IString for, named after its use and grouped by
// where it is used. Code asks for texts through these names only; kAllStringIds lists them all
// so a test can check that the shipped language file has a text for each.
#pragma once

#include <array>

#include "store/GuideStringIds.h"
#include "store/InsightStringIds.h"

namespace zl {

// --- Every window and message box -------------------------------------------------------------
constexpr unsigned kStrAppCaption = 0;  // main window title; caption of every message box

// --- Main window: captions of the controls -----------------------------------------------------
constexpr unsigned kStrRangeDay = 8;            // Day radio 1034
constexpr unsigned kStrRangeWeek = 9;           // Week radio 1035
constexpr unsigned kStrRangeMonth = 10;         // Month radio 1036
constexpr unsigned kStrRangeLabel = 11;         // static 1037
constexpr unsigned kStrDirectionLabel = 12;     // static 1016
constexpr unsigned kStrHeightLabel = 13;        // static 1025
constexpr unsigned kStrStartTimeLabel = 35;     // static 1039
constexpr unsigned kStrCounterTypeLabel = 140;  // static 1020
constexpr unsigned kStrRegionLabel = 141;       // static 1021
constexpr unsigned kStrPeriodLabel = 143;       // static 1023
constexpr unsigned kStrQueueTypeLabel = 146;    // static 1022
constexpr unsigned kStrButtonAdd = 300;         // 1043
constexpr unsigned kStrButtonRemove = 301;      // 1044
constexpr unsigned kStrButtonSettings = 302;    // 1045
constexpr unsigned kStrButtonPrint = 303;       // 1047
constexpr unsigned kStrButtonExport = 304;      // 1046
constexpr unsigned kStrButtonQuery = 308;       // 1201
constexpr unsigned kStrButtonChart = 309;       // 1040
constexpr unsigned kStrButtonBar = 310;         // 1041
constexpr unsigned kStrButtonTable = 311;       // 1042

// --- Main window: tool tips --------------------------------------------------------------------
constexpr unsigned kStrTipAdd = 350;
constexpr unsigned kStrTipRemove = 351;
constexpr unsigned kStrTipSettings = 352;
constexpr unsigned kStrTipPrint = 353;
constexpr unsigned kStrTipExport = 354;
constexpr unsigned kStrTipDay = 355;
constexpr unsigned kStrTipWeek = 356;
constexpr unsigned kStrTipMonth = 357;
constexpr unsigned kStrTipQuery = 358;
constexpr unsigned kStrTipChart = 359;
constexpr unsigned kStrTipBar = 360;
constexpr unsigned kStrTipTable = 361;

// --- Main window: combo box entries ------------------------------------------------------------
// Height combo 1029, indexes 0..3 (height class).
constexpr unsigned kStrHeightAll = 19;
constexpr unsigned kStrHeightThreeClasses = 20;
constexpr unsigned kStrHeightAbove = 21;
constexpr unsigned kStrHeightBelow = 22;
// Direction combo 1028: 23, 26, 27 without 3D cameras; 23, 24, 25 with them.
constexpr unsigned kStrDirectionBoth = 23;
constexpr unsigned kStrDirectionIn3D = 24;
constexpr unsigned kStrDirectionOut3D = 25;
constexpr unsigned kStrDirectionIn = 26;   // also the first value column of the table
constexpr unsigned kStrDirectionOut = 27;  // also the second value column of the table
// Height unit combo 1032.
constexpr unsigned kStrUnitCentimetre = 158;
constexpr unsigned kStrUnitInch = 159;
// Period combo 1162: "5 " .. "60 " followed by this unit.
constexpr unsigned kStrPeriodUnit = 154;
// Region combo 1160: label of the region items ("%s A" ..), for access counters and queues,
// and the extra item that shows every region (access counters).
constexpr unsigned kStrRegionItem = 142;
constexpr unsigned kStrQueueItem = 145;
constexpr unsigned kStrRegionAll = 152;
// Counter type combo 1161, counter types 1..7 (kStrCounterType2DPeople + code - 1).
constexpr unsigned kStrCounterType2DPeople = 161;
constexpr unsigned kStrCounterType3DPeople = 162;
constexpr unsigned kStrCounterTypeAccess = 163;
constexpr unsigned kStrCounterTypeZone = 164;
constexpr unsigned kStrCounterTypeFlow = 165;
constexpr unsigned kStrCounterTypeTraffic = 166;
constexpr unsigned kStrCounterTypeQueue = 167;
// Queue Type combo 1199 lists 150, 147, 148, 149: the queue measures 0..3.
constexpr unsigned kStrQueueMeasureAverageLength = 147;  // measure 1
constexpr unsigned kStrQueueMeasureServedTime = 148;     // measure 2
constexpr unsigned kStrQueueMeasureWaitingTime = 149;    // measure 3
constexpr unsigned kStrQueueMeasureWaitingEvents = 150;  // measure 0

// --- Result table ------------------------------------------------------------------------------
constexpr unsigned kStrColumnNumber = 93;  // column 0
constexpr unsigned kStrColumnTime = 94;    // column 1 (the bucket)
constexpr unsigned kStrTotalRow = 155;     // column 1 of the totals row

// --- Chart -------------------------------------------------------------------------------------
constexpr unsigned kStrYUnitSeconds = 151;  // y-axis unit of the queue time measures

// --- Export: titles of the two time columns ----------------------------------------------------
constexpr unsigned kStrExportStartTime = 156;
constexpr unsigned kStrExportEndTime = 157;

// --- Query progress dialog and failed queries --------------------------------------------------
constexpr unsigned kStrProgressCaption = 36;
constexpr unsigned kStrProgressText = 50;
constexpr unsigned kStrConnectFailed = 110;  // also "<address> 110 401" of a failed bucket
constexpr unsigned kStrRetryQuestion = 401;

// --- Settings dialog ---------------------------------------------------------------------------
constexpr unsigned kStrSettingsCaption = 91;
constexpr unsigned kStrChartPageTitle = 200;
constexpr unsigned kStrWorkingHourPageTitle = 80;
constexpr unsigned kStrSynchronizedAdjust = 81;
constexpr unsigned kStrWorkingHourStart = 82;
constexpr unsigned kStrWorkingHourEnd = 83;
// Row labels and day names of the working-hour rows 0..6 (kStrWeekdayRow0 + row).
constexpr unsigned kStrWeekdayRow0 = 84;
constexpr unsigned kStrWeekdayRow1 = 85;
constexpr unsigned kStrWeekdayRow2 = 86;
constexpr unsigned kStrWeekdayRow3 = 87;
constexpr unsigned kStrWeekdayRow4 = 88;
constexpr unsigned kStrWeekdayRow5 = 89;
constexpr unsigned kStrWeekdayRow6 = 90;
constexpr unsigned kStrStartAfterEnd = 117;
constexpr unsigned kStrStartTimeInvalid = 118;
constexpr unsigned kStrEndTimeInvalid = 119;

// --- Site connection dialog --------------------------------------------------------------------
constexpr unsigned kStrConnDlgCaption = 28;
constexpr unsigned kStrConnAddressLabel = 29;    // 1002
constexpr unsigned kStrConnPortLabel = 30;       // 1009
constexpr unsigned kStrConnLocalRadio = 52;      // 1019
constexpr unsigned kStrConnRemoteRadio = 53;     // 1020
constexpr unsigned kStrConnFileLabel = 54;       // 1021 (and for the database-file type)
constexpr unsigned kStrConnBrowse = 55;          // 1016
constexpr unsigned kStrConnFolderLabel = 57;     // 1021 for the database-folder type
constexpr unsigned kStrConnUserLabel = 100;      // 1154
constexpr unsigned kStrConnPasswordLabel = 101;  // 1155
constexpr unsigned kStrConnAnonymous = 102;      // 1156
constexpr unsigned kStrConnTypeLabel = 120;      // 1158
// Connection type combo 1157, types 0..3.
constexpr unsigned kStrConnTypeServer = 121;
constexpr unsigned kStrConnTypeDevice = 122;
constexpr unsigned kStrConnTypeFolder = 123;
constexpr unsigned kStrConnTypeFile = 124;
constexpr unsigned kStrConnNoLocalPath = 114;
constexpr unsigned kStrConnAddressInUse = 115;
constexpr unsigned kStrConnBadAddress = 116;

// --- Site tree and site logic ------------------------------------------------------------------
constexpr unsigned kStrMenuAddSite = 3;
constexpr unsigned kStrMenuDeleteSite = 4;
constexpr unsigned kStrMenuRename = 33;
constexpr unsigned kStrUnnamedSite = 34;  // server or device that reports no name
constexpr unsigned kStrLocalSite = 56;    // first part of a local site's name
constexpr unsigned kStrLoginRefused = 111;
constexpr unsigned kStrNoCameraDatabase = 113;

// --- Export, picture and print failures; the settings dialog's language choice ---------------
// "%s" stands for the file; the system's reason follows on a line of its own.
constexpr unsigned kStrExportFailed = 410;      // the CSV or XML file could not be written
constexpr unsigned kStrBitmapFailed = 411;      // the chart's picture could not be written
constexpr unsigned kStrPrintFailed = 412;       // the report could not be printed
constexpr unsigned kStrStylesheetKept = 413;    // a ParseCount.xsl of the user's own was kept
constexpr unsigned kStrFailureReason = 414;     // "Reason: %s"
constexpr unsigned kStrSettingsLanguage = 415;  // label of the language choice
constexpr unsigned kStrLanguageChanged = 416;   // the new language shows after a restart
constexpr unsigned kStrFileUnreadable = 417;    // a profile file left alone: it is no text

inline constexpr std::array kAllStringIds{
    kStrAppCaption,
    kStrRangeDay,
    kStrRangeWeek,
    kStrRangeMonth,
    kStrRangeLabel,
    kStrDirectionLabel,
    kStrHeightLabel,
    kStrStartTimeLabel,
    kStrCounterTypeLabel,
    kStrRegionLabel,
    kStrPeriodLabel,
    kStrQueueTypeLabel,
    kStrButtonAdd,
    kStrButtonRemove,
    kStrButtonSettings,
    kStrButtonPrint,
    kStrButtonExport,
    kStrButtonQuery,
    kStrButtonChart,
    kStrButtonBar,
    kStrButtonTable,
    kStrTipAdd,
    kStrTipRemove,
    kStrTipSettings,
    kStrTipPrint,
    kStrTipExport,
    kStrTipDay,
    kStrTipWeek,
    kStrTipMonth,
    kStrTipQuery,
    kStrTipChart,
    kStrTipBar,
    kStrTipTable,
    kStrHeightAll,
    kStrHeightThreeClasses,
    kStrHeightAbove,
    kStrHeightBelow,
    kStrDirectionBoth,
    kStrDirectionIn3D,
    kStrDirectionOut3D,
    kStrDirectionIn,
    kStrDirectionOut,
    kStrUnitCentimetre,
    kStrUnitInch,
    kStrPeriodUnit,
    kStrRegionItem,
    kStrQueueItem,
    kStrRegionAll,
    kStrCounterType2DPeople,
    kStrCounterType3DPeople,
    kStrCounterTypeAccess,
    kStrCounterTypeZone,
    kStrCounterTypeFlow,
    kStrCounterTypeTraffic,
    kStrCounterTypeQueue,
    kStrQueueMeasureAverageLength,
    kStrQueueMeasureServedTime,
    kStrQueueMeasureWaitingTime,
    kStrQueueMeasureWaitingEvents,
    kStrColumnNumber,
    kStrColumnTime,
    kStrTotalRow,
    kStrYUnitSeconds,
    kStrExportStartTime,
    kStrExportEndTime,
    kStrProgressCaption,
    kStrProgressText,
    kStrConnectFailed,
    kStrRetryQuestion,
    kStrSettingsCaption,
    kStrChartPageTitle,
    kStrWorkingHourPageTitle,
    kStrSynchronizedAdjust,
    kStrWorkingHourStart,
    kStrWorkingHourEnd,
    kStrWeekdayRow0,
    kStrWeekdayRow1,
    kStrWeekdayRow2,
    kStrWeekdayRow3,
    kStrWeekdayRow4,
    kStrWeekdayRow5,
    kStrWeekdayRow6,
    kStrStartAfterEnd,
    kStrStartTimeInvalid,
    kStrEndTimeInvalid,
    kStrConnDlgCaption,
    kStrConnAddressLabel,
    kStrConnPortLabel,
    kStrConnLocalRadio,
    kStrConnRemoteRadio,
    kStrConnFileLabel,
    kStrConnBrowse,
    kStrConnFolderLabel,
    kStrConnUserLabel,
    kStrConnPasswordLabel,
    kStrConnAnonymous,
    kStrConnTypeLabel,
    kStrConnTypeServer,
    kStrConnTypeDevice,
    kStrConnTypeFolder,
    kStrConnTypeFile,
    kStrConnNoLocalPath,
    kStrConnAddressInUse,
    kStrConnBadAddress,
    kStrMenuAddSite,
    kStrMenuDeleteSite,
    kStrMenuRename,
    kStrUnnamedSite,
    kStrLocalSite,
    kStrLoginRefused,
    kStrNoCameraDatabase,
    kStrExportFailed,
    kStrBitmapFailed,
    kStrPrintFailed,
    kStrStylesheetKept,
    kStrFailureReason,
    kStrSettingsLanguage,
    kStrLanguageChanged,
    kStrFileUnreadable,
    // The guiding texts of store/GuideStringIds.h.
    kStrDeleteOneSite,
    kStrDeleteManySites,
    kStrHintStart,
    kStrMissingCounterType,
    kStrMissingSite,
    kStrMissingCamera,
    kStrHintNoRows,
    kStrHintTypeChanged,
    kStrSiteError,
    kStrCauseUnreachable,
    kStrCauseLoginRefused,
    kStrCauseNoDatabase,
    kStrNotConnectedMark,
    kStrCauseQueryFailed,
    kStrHeadingSites,
    kStrHeadingRange,
    kStrHeadingFilters,
    kStrHeadingPrinted,
    // The report insights of store/InsightStringIds.h.
    kStrCompareLabel,
    kStrCompareNone,
    kStrComparePrevious,
    kStrComparePreviousWeekday,
    kStrCompareLastYear,
    kStrCompareColumn,
    kStrChangeColumn,
    kStrComparedPeriod,
    kStrPeakBucket,
    kStrPeakVolume,
    kStrPeakHour,
    kStrPeakMarker,
    kStrEmptyBuckets,
    kStrSitePartial,
    kStrSiteNoData,
    kStrNoDataMark,
    kStrCoverageRecords,
    kStrCoverageExpected,
    kStrClosedDaysTitle,
    kStrClosedWeekdays,
    kStrClosedDates,
    kStrClosedMark,
    kStrClosedDaysCount,
    kStrClosedDateInvalid,
    kStrOpenDayAverage,
};

}  // namespace zl
