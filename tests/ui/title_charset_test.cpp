// The title window of a product whose texts are in code page 1250: the title
// font carries the East European character set, so "Żółw Notes" is drawn
// with its own letters rather than as the ANSI glyphs of the same bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/globals.h"
#include "product/product_data.h"
#include "tests/support/screenshot.h"
#include "tests/ui/ui_test_support.h"

namespace {

class TitleCharSet : public ui_test::BackgroundWindowTest {};

TEST_F(TitleCharSet, TheTitleFontOfA1250ProductIsEastEuropean) {
    // "Install Żółw Notes" in code page 1250.
    EXPECT_EQ(std::string("Install \xaf\xf3\xb3w Notes"), titleText);
    ASSERT_NE(nullptr, titleFont);
    LOGFONTA font = {};
    ASSERT_EQ(static_cast<int>(sizeof font), GetObjectA(titleFont, sizeof font, &font));
    EXPECT_EQ(EASTEUROPE_CHARSET, font.lfCharSet);
    EXPECT_EQ(48, font.lfHeight) << "the rest of the font as for every product";
    EXPECT_EQ(700, font.lfWeight);
    EXPECT_STREQ("Times New Roman", font.lfFaceName);

    // What the system made of it: a face with the East European glyphs.
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, titleFont);
    EXPECT_EQ(EASTEUROPE_CHARSET, GetTextCharset(screen));
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    testing_support::SaveScreenshot("title_1250.bmp");
}

}  // namespace
