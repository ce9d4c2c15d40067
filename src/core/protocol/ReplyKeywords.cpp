#include "protocol/ReplyKeywords.h"

namespace {
const char *const replyKeywords[] = {
    "HELP",          "RESET",           "VERSION",          "ARM VERSION",     "IP ADDRESS",     "SUBMASK",
    "GATEWAY",       "NETPORT",         "AUTO SWITCH",      "IN SOURCE",       "IN RESOLUTION",  "OUT RESOLUTION",
    "OUT BRIGHTNESS", "OUT CONTRAST",   "OUT 4K-AUTO",      "OUT HDCP",        "OUT VKA",        "OUT ITC",
    "MULTIVIEW",     "WINDOW1 IN",      "WINDOW2 IN",       "WINDOW3 IN",      "WINDOW4 IN",     "PIP POS",
    "PIP SIZE",      "PBP MODE",        "PBP ASPECT",       "3xWIN MODE",      "3xWIN ASPECT",   "4xWIN MODE",
    "4xWIN ASPECT",  "AUDIO SOURCE",    "AUDIO VOL",        "AUDIO-MUTE",      "KVM",            "USB ROAMING",
    "IN EDIDMODE",   "MODEL TYPE",      "LONG-REACH",       "USB-HDBT",        "SAVE SCENE",     "LOAD SCENE",
    "EDID-USER",     "RS232-PER",       "MAXMODE",          "MULTIVIEW-SYNC",  "SUB-VERSION",    "EXPAND-VERSION",
    "KEYBOARD-VERSION", "NETWORK-INFO", "BAUDRATE",         "KVM-BORDER",      "KVM-BORDER-COLOR", "OUT TSP",
    "OUT TSP-COLOR", "OUT TSP-TIMING",  "MAIN-AUDIO ONOFF", "MIC1 ONOFF",      "MIC2 ONOFF",     "MIC1 VOL",
    "MIC2 VOL",      "DUCKING",         "FREEZE-WIN1",      "FREEZE-WIN2",     "FREEZE-WIN3",    "FREEZE-WIN4",
    "FREEZE-WINALL", "IN STATUS",       "OUT STATUS",       "PBP-PRESENTER",   "PIP USER",       "RESO-USER",
    "NULL"};
static_assert(sizeof replyKeywords / sizeof replyKeywords[0] == 73, "73 reply keywords");
} // namespace

namespace Tables {
const WordList ReplyKeywords = [] {
    static Word words[73];
    for (int i = 0; i < 73; ++i)
        words[i] = Word{replyKeywords[i]};
    return WordList{words, 73};
}();
} // namespace Tables

bool isVersionKeyword(int keyword)
{
    switch (keyword) {
    case KwVersion:
    case KwArmVersion:
    case KwSubVersion:
    case KwExpandVersion:
    case KwKeyboardVersion:
        return true;
    default:
        return false;
    }
}
