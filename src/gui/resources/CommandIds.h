#pragma once

namespace brivanta::ids {

// Commands.
inline constexpr int kAbout = 32780;
inline constexpr int kImport = 32781;
inline constexpr int kExport = 32782;
inline constexpr int kSettings = 32797;
inline constexpr int kSave = 32798;
inline constexpr int kListen = 32815;
inline constexpr int kSendToMailbox = 32819;
inline constexpr int kReceiveFromMailbox = 32820;
inline constexpr int kUpdateRecommended = 32823;
inline constexpr int kSendToNeighbour = 32824;
inline constexpr int kShortcutFolderFormat = 32827;
inline constexpr int kHtmlFileFormat = 32828;
inline constexpr int kArchiveFileFormat = 32831;
inline constexpr int kTipOfTheDay = 32836;
inline constexpr int kExit = 32779;
inline constexpr int kHelp = 57670;

// Controls of the main window.
inline constexpr int kCustomTreeControl = 1000;
inline constexpr int kRecommendedTreeControl = 1001;
inline constexpr int kAddressBookControl = 1002;
inline constexpr int kCategoryTabs = 1043;
inline constexpr int kMainToolbar = 148;

// Dialog results and buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdNewUser = 10;

// Dialogs.
inline constexpr int kMainDialog = 102;
inline constexpr int kLoginDialog = 134;
inline constexpr int kBusyDialog = 168;
inline constexpr int kImportExportDialog = 188;
inline constexpr int kNewUserDialog = 252;

// Controls of the account dialogs.
inline constexpr int kUserNameControl = 1004;
inline constexpr int kPasswordControl = 1005;
inline constexpr int kConfirmPasswordControl = 1006;
inline constexpr int kEmailControl = 1011;
inline constexpr int kSmtpControl = 1002;
inline constexpr int kPop3Control = 1003;
inline constexpr int kBusyAnimationPlace = 1025;

// Controls, menu and images of the import and export dialog.
inline constexpr int kExchangePathLabel = 1025;
inline constexpr int kExchangePathEdit = 1036;
inline constexpr int kExchangeBrowseButton = 1037;
inline constexpr int kExchangeTypeButton = 1038;
inline constexpr int kExchangeAllRadio = 1039;
inline constexpr int kExchangeSelectedRadio = 1040;
inline constexpr int kExchangeTypeMenu = 191;
inline constexpr int kExchangeTypeImages = 192;

// Icons and bitmaps.
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
inline constexpr int kOpenFolderIcon = 142;
inline constexpr int kAddressBookIcon = 202;
inline constexpr int kRecommendedTabIcon = 243;
inline constexpr int kCustomTabIcon = 244;
inline constexpr int kFemaleIcon = 224;
inline constexpr int kMaleIcon = 225;
inline constexpr int kCancelIcon = 255;
inline constexpr int kOkIcon = 257;

}  // namespace brivanta::ids
