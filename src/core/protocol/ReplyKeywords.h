#pragma once

#include "protocol/ValueTables.h"

// The reply keywords in the order in which a reply line is searched for them; the first one found wins.
// Entries 0 to 71 are searched; the last entry, "NULL", marks an empty multiview window.
enum ReplyKeywordIndex {
    KwHelp = 0, KwReset, KwVersion, KwArmVersion, KwIpAddress, KwSubmask, KwGateway, KwNetport,
    KwAutoSwitch, KwInSource, KwInResolution, KwOutResolution, KwOutBrightness, KwOutContrast, KwOut4KAuto,
    KwOutHdcp, KwOutVka, KwOutItc, KwMultiview, KwWindow1In, KwWindow2In, KwWindow3In, KwWindow4In,
    KwPipPos, KwPipSize, KwPbpMode, KwPbpAspect, Kw3xWinMode, Kw3xWinAspect, Kw4xWinMode, Kw4xWinAspect,
    KwAudioSource, KwAudioVol, KwAudioMute, KwKvm, KwUsbRoaming, KwInEdidMode, KwModelType, KwLongReach,
    KwUsbHdbt, KwSaveScene, KwLoadScene, KwEdidUser, KwRs232Per, KwMaxMode, KwMultiviewSync, KwSubVersion,
    KwExpandVersion, KwKeyboardVersion, KwNetworkInfo, KwBaudrate, KwKvmBorder, KwKvmBorderColor, KwOutTsp,
    KwOutTspColor, KwOutTspTiming, KwMainAudioOnOff, KwMic1OnOff, KwMic2OnOff, KwMic1Vol, KwMic2Vol,
    KwDucking, KwFreezeWin1, KwFreezeWin2, KwFreezeWin3, KwFreezeWin4, KwFreezeWinAll, KwInStatus,
    KwOutStatus, KwPbpPresenter, KwPipUser, KwResoUser, KwNull
};

namespace Tables {
extern const WordList ReplyKeywords; // 73 entries
constexpr int SearchedReplyKeywords = 72;
} // namespace Tables

// Whether a reply reports a firmware version (of the main, ARM, sub, expansion or keyboard part).
bool isVersionKeyword(int keyword);
