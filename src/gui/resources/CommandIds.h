#pragma once

namespace brivanta::ids {

// Commands.
inline constexpr int kDelete = 32772;
inline constexpr int kNewEntry = 32773;
inline constexpr int kEdit = 32774;
inline constexpr int kCut = 32775;
inline constexpr int kCopy = 32776;
inline constexpr int kPaste = 32777;
inline constexpr int kExit = 32779;
inline constexpr int kAbout = 32780;
inline constexpr int kImport = 32781;
inline constexpr int kExport = 32782;
inline constexpr int kSettings = 32797;
inline constexpr int kSave = 32798;
inline constexpr int kShowToolbar = 32810;
inline constexpr int kShowMenuIcons = 32813;
inline constexpr int kListen = 32815;
inline constexpr int kSendToMailbox = 32819;
inline constexpr int kReceiveFromMailbox = 32820;
inline constexpr int kUpload = 32822;
inline constexpr int kUpdateRecommended = 32823;
inline constexpr int kSendToNeighbour = 32824;
inline constexpr int kShortcutFolderFormat = 32827;
inline constexpr int kHtmlFileFormat = 32828;
inline constexpr int kArchiveFileFormat = 32831;
inline constexpr int kShowTrayIcon = 32832;
inline constexpr int kAutoHide = 32833;
inline constexpr int kNewContact = 32834;
inline constexpr int kTipOfTheDay = 32836;
inline constexpr int kBookmarkFileFormat = 32852;
inline constexpr int kFirefoxFormat = 32853;
inline constexpr int kChromiumFormat = 32854;
inline constexpr int kXbelFileFormat = 32855;
inline constexpr int kUndo = 32900;
inline constexpr int kRedo = 32901;
// Keyboard commands of the window: rename in place (F2) and search (Ctrl+F).
inline constexpr int kRename = 32902;
inline constexpr int kSearch = 32903;
// The health of a tree: addresses kept twice, links that no longer work.
inline constexpr int kFindDuplicates = 32904;
inline constexpr int kCheckLinks = 32905;
// Keeps the synced tree in step with its server now.
inline constexpr int kSyncNow = 32906;
inline constexpr int kHelp = 57670;

// The toolbar of the main window, in order; 0 is a separator.
inline constexpr int kToolbarLayout[] = {kSave,     0, kSendToMailbox, kReceiveFromMailbox, 0,
                                         kSettings, 0, kAbout};

// Controls of the main window.
inline constexpr int kCustomTreeControl = 1000;
inline constexpr int kRecommendedTreeControl = 1001;
inline constexpr int kAddressBookControl = 1002;
inline constexpr int kCategoryTabs = 1043;
inline constexpr int kSearchLineControl = 1200;
inline constexpr int kSearchAllTreesControl = 1201;
inline constexpr int kSearchHitsControl = 1202;
inline constexpr int kMainToolbar = 148;

// Menus and the toolbar that gives their commands icons.
inline constexpr int kNodeMenu = 137;
inline constexpr int kMenuIconToolbar = 145;
inline constexpr int kHelpMenu = 150;
inline constexpr int kTrayMenu = 153;
inline constexpr int kSendMenu = 175;
inline constexpr int kReceiveMenu = 176;
inline constexpr int kAddressBookMenu = 227;
// The greyed "（空）" of an empty bookmark menu.
inline constexpr int kEmptyMenuItem = 1;

// Dialog results and buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdNewUser = 10;

// Dialogs.
inline constexpr int kAboutDialog = 100;
inline constexpr int kMainDialog = 102;
inline constexpr int kTipDialog = 105;
inline constexpr int kLoginDialog = 134;
inline constexpr int kEntryDialog = 138;
inline constexpr int kPasswordPage = 151;
inline constexpr int kEmailSetPage = 155;
inline constexpr int kParamPage = 156;
inline constexpr int kNetworkPage = 162;
inline constexpr int kBusyDialog = 168;
inline constexpr int kSendToPeerDialog = 177;
inline constexpr int kReceiveMailDialog = 183;
inline constexpr int kSendMailDialog = 184;
inline constexpr int kImportExportDialog = 188;
inline constexpr int kContactDialog = 207;
inline constexpr int kDeleteConfirmDialog = 198;
inline constexpr int kFolderNameDialog = 228;
inline constexpr int kBarDialog = 229;
inline constexpr int kNewUserDialog = 252;
inline constexpr int kSyncPage = 260;

// Controls of the account dialogs.
inline constexpr int kUserNameControl = 1004;
inline constexpr int kPasswordControl = 1005;
inline constexpr int kConfirmPasswordControl = 1006;
inline constexpr int kEmailControl = 1011;
inline constexpr int kSmtpControl = 1002;
inline constexpr int kPop3Control = 1003;
inline constexpr int kBusyAnimationPlace = 1025;

// Controls of the network dialogs (1005, 1002 and 1003 as in the account dialogs).
inline constexpr int kPeerAddressControl = 1028;
inline constexpr int kPeerPortControl = 1029;
inline constexpr int kMailAddressControl = 1031;
inline constexpr int kMailUserControl = 1033;
inline constexpr int kSendAllRadio = 1091;
inline constexpr int kSendSelectedRadio = 1092;
inline constexpr int kSmtpSecurityControl = 1301;
inline constexpr int kPop3SecurityControl = 1302;
inline constexpr int kSmtpLoginControl = 1303;
inline constexpr int kRememberPasswordControl = 1304;

// Controls of the sync page.
inline constexpr int kSyncServerControl = 1310;
inline constexpr int kSyncFileControl = 1311;
inline constexpr int kSyncUserControl = 1312;
inline constexpr int kSyncPasswordControl = 1313;
inline constexpr int kSyncCaFileControl = 1314;
inline constexpr int kSyncCaBrowseButton = 1315;
inline constexpr int kSyncTreeControl = 1316;
inline constexpr int kSyncFolderControl = 1317;
inline constexpr int kSyncManualRadio = 1318;
inline constexpr int kSyncEveryRadio = 1319;
inline constexpr int kSyncIntervalControl = 1320;

// Controls of the options sheet's pages.
inline constexpr int kOldPasswordControl = 1017;
inline constexpr int kNewPasswordControl = 1018;
inline constexpr int kConfirmNewPasswordControl = 1019;
inline constexpr int kChangePasswordCheck = 1020;
inline constexpr int kOpenInNewBrowserCheck = 1022;
inline constexpr int kShowMenuIconsCheck = 1023;
inline constexpr int kShowToolbarCheck = 1024;
inline constexpr int kShowTrayIconCheck = 1025;
inline constexpr int kServerAddressControl = 1023;
inline constexpr int kServerPortControl = 1024;
inline constexpr int kListenPortControl = 1030;

// Controls of the docking bar.
inline constexpr int kBarStatusLine1 = 1025;
inline constexpr int kBarStatusLine2 = 1026;
inline constexpr int kBarRecommendedButton = 1081;
inline constexpr int kBarCustomButton = 1082;
inline constexpr int kBarAddressBookButton = 1083;
inline constexpr int kBarSystemButton = 1084;

// Controls of the contact dialog.
inline constexpr int kContactNameControl = 1003;
inline constexpr int kDetailContentControl = 1004;
inline constexpr int kDetailTypeControl = 1038;
inline constexpr int kContactSexControl = 1048;
inline constexpr int kBirthdayControl = 1049;
inline constexpr int kDetailLabelControl = 1077;
inline constexpr int kDetailListControl = 1078;
inline constexpr int kAddDetailButton = 1079;
inline constexpr int kDeleteDetailButton = 1080;
inline constexpr int kModifyDetailButton = 1081;

// Controls, menu and images of the import and export dialog.
inline constexpr int kExchangePathLabel = 1025;
inline constexpr int kExchangePathEdit = 1036;
inline constexpr int kExchangeBrowseButton = 1037;
inline constexpr int kExchangeTypeButton = 1038;
inline constexpr int kExchangeAllRadio = 1039;
inline constexpr int kExchangeSelectedRadio = 1040;
inline constexpr int kExchangeProfileCombo = 1041;
inline constexpr int kExchangeTypeMenu = 191;
inline constexpr int kExchangeTypeImages = 192;

// Controls of the editing dialogs.
inline constexpr int kEntryNameControl = 1003;
inline constexpr int kEntryAddressControl = 1004;
inline constexpr int kBrowseButton = 1016;
inline constexpr int kDeleteSelectedRadio = 1042;
inline constexpr int kDeleteAllRadio = 1043;
inline constexpr int kFolderNameControl = 1080;

// Controls of the tip dialog and the about box.
inline constexpr int kTipFrame = 1000;
inline constexpr int kTipStartUpCheck = 1001;
inline constexpr int kNextTipButton = 1002;
inline constexpr int kTipText = 1004;
inline constexpr int kAboutWebLink = 1010;
inline constexpr int kAboutMailLink = 1011;

// Icons and bitmaps.
inline constexpr int kBulbBitmap = 104;
inline constexpr int kProgramIcon = 128;
inline constexpr int kBackgroundBitmap = 135;
inline constexpr int kClosedBookIcon = 163;
inline constexpr int kOpenBookIcon = 164;
inline constexpr int kClosedFolderIcon = 143;
inline constexpr int kBrowseIcon = 166;
inline constexpr int kHtmlFileIcon = 194;
inline constexpr int kShortcutFolderIcon = 195;
inline constexpr int kImportIcon = 196;
inline constexpr int kExportIcon = 197;
inline constexpr int kDeleteIcon = 200;
inline constexpr int kEmailPageIcon = 201;
inline constexpr int kOpenFolderIcon = 142;
inline constexpr int kAddressBookIcon = 202;
inline constexpr int kMailIcon = 182;
inline constexpr int kNeighbourIcon = 185;
inline constexpr int kNetworkPageIcon = 203;
inline constexpr int kRecommendedTabIcon = 243;
inline constexpr int kCustomTabIcon = 244;
inline constexpr int kAddressBookTabIcon = 245;
inline constexpr int kSystemButtonIcon = 246;
inline constexpr int kFemaleIcon = 224;
inline constexpr int kMaleIcon = 225;
inline constexpr int kCancelIcon = 255;
inline constexpr int kOkIcon = 257;

}  // namespace brivanta::ids
