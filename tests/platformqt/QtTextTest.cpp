#include "platform/qt/QtText.h"

#include <gtest/gtest.h>

namespace {

TEST(QtText, ConvertsAtTheQtBoundary) {
    struct Case {
        std::string bytes;
        QString text;
    } cases[] = {
        {"Weiche", "Weiche"},
        {"Gr\xFC\xDF"
         "e \x80",
         QString::fromUtf8("Grüße €")},
        {"\x8D", QString(QChar(0x8D))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(fromCp1252(c.bytes), c.text);
        EXPECT_EQ(toCp1252(c.text), c.bytes);
    }
    EXPECT_EQ(toCp1252(QString::fromUtf8("Zug \xE6\xBC\xA2")), "Zug ?");
    EXPECT_EQ(toCp1252(QString(QChar(0xD800))), "?"); // a lone surrogate
}

} // namespace
