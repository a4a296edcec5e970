#pragma once

#include <span>

// One caption that C_language::setup sets: the control objectName of window windowName gets the text
// of message messageNr (kClearedCaption: the empty text in every language).
struct CaptionEntry {
    const char* windowName;
    const char* objectName;
    int messageNr;
};

constexpr int kClearedCaption = -1;

// The relabelling list, in the order in which setup walks it.
std::span<const CaptionEntry> captionList();
