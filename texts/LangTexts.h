#pragma once

#include <span>

// The built-in texts, one list per language. Each list names only the messages that the language has;
// C_language fills its table from them once.
struct LangText {
    int nr;
    const char* text; // UTF-8
};

std::span<const LangText> deutschTexts();
std::span<const LangText> englishTexts();
std::span<const LangText> svenskaTexts();
std::span<const LangText> espanolTexts();
std::span<const LangText> italianoTexts();
std::span<const LangText> nederlandsTexts();
std::span<const LangText> francaisTexts();
