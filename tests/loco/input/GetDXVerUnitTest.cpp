#include <gtest/gtest.h>

#include "loco/input/GetDXVerUnit.h"

namespace {

TEST(GetDXVerUnit, DetectionAndItsMessage) {
    struct Case {
        bool ok;
        std::uint32_t packed;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {false, 0, "", "Unknown version of DirectX installed"},
        {false, 0x00090003, "9.0c", "Unknown version of DirectX installed"},
        {true, 0x00090003, "9.0c", "DirectX 9.0c installed"},
        {true, 0, "", "DirectX not installed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(directXMessage(c.ok, c.packed, c.text), c.expected) << c.expected;

    // This platform has no DirectX; whatever the arguments held before is replaced.
    std::uint32_t packed = 0x00090003;
    std::string text = "9.0c";
    EXPECT_TRUE(GetDXVersion(packed, text));
    EXPECT_EQ(packed, 0u);
    EXPECT_EQ(text, "");
}

} // namespace
