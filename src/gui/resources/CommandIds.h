#pragma once

namespace brivanta::ids {

// Commands.
inline constexpr int kAbout = 32780;
inline constexpr int kSettings = 32797;
inline constexpr int kSave = 32798;
inline constexpr int kListen = 32815;
inline constexpr int kSendToMailbox = 32819;
inline constexpr int kReceiveFromMailbox = 32820;
inline constexpr int kUpdateRecommended = 32823;
inline constexpr int kSendToNeighbour = 32824;
inline constexpr int kTipOfTheDay = 32836;
inline constexpr int kExit = 32779;
inline constexpr int kHelp = 57670;

// Controls of the main window.
inline constexpr int kCustomTreeControl = 1000;
inline constexpr int kRecommendedTreeControl = 1001;
inline constexpr int kAddressBookControl = 1002;
inline constexpr int kCategoryTabs = 1043;
inline constexpr int kSearchLineControl = 1200;
inline constexpr int kSearchAllTreesControl = 1201;
inline constexpr int kSearchHitsControl = 1202;
inline constexpr int kMainToolbar = 148;

// Dialog results and buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdNewUser = 10;

// Dialogs.
inline constexpr int kMainDialog = 102;
inline constexpr int kLoginDialog = 134;
inline constexpr int kBusyDialog = 168;
inline constexpr int kNewUserDialog = 252;

// Controls of the account dialogs.
inline constexpr int kUserNameControl = 1004;
inline constexpr int kPasswordControl = 1005;
inline constexpr int kConfirmPasswordControl = 1006;
inline constexpr int kEmailControl = 1011;
inline constexpr int kSmtpControl = 1002;
inline constexpr int kPop3Control = 1003;
inline constexpr int kBusyAnimationPlace = 1025;

// Icons and bitmaps.
inline constexpr int kProgramIcon = 128;
inline constexpr int kBackgroundBitmap = 135;
inline constexpr int kClosedBookIcon = 163;
inline constexpr int kOpenBookIcon = 164;
inline constexpr int kClosedFolderIcon = 143;
inline constexpr int kOpenFolderIcon = 142;
inline constexpr int kAddressBookIcon = 202;
inline constexpr int kRecommendedTabIcon = 243;
inline constexpr int kCustomTabIcon = 244;
inline constexpr int kFemaleIcon = 224;
inline constexpr int kMaleIcon = 225;
inline constexpr int kCancelIcon = 255;
inline constexpr int kOkIcon = 257;

}  // namespace brivanta::ids
