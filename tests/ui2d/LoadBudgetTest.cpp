// One paste or design load has a total budget for the pixels of its pictures: beyond it the
// whole load fails with an error that names the picture, and nothing it made is left.

#include "Ui2dTestClasses.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzObject.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

/// A JPEG of headers only whose frame declares 8192 x 8192 pixels (the largest picture a
/// decoder accepts): each costs a quarter of the load's budget before its data runs out.
std::string LargeJpegHex()
{
    // The codec fixtures, found from this suite's own (absent) data folder by name alone.
    const std::filesystem::path tests = std::filesystem::path(GF_TEST_DATA).parent_path().parent_path();
    std::ifstream in(tests / "platform/raster/data/malformed/jpeg_headers_only.jpg", std::ios::binary);
    std::vector<uint8_t> bytes { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    if (bytes.empty())
        ADD_FAILURE() << "the JPEG fixture is missing";
    for (size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = 0x20; // height 8192
            bytes[i + 6] = 0x00;
            bytes[i + 7] = 0x20; // width 8192
            bytes[i + 8] = 0x00;
            break;
        }
    }
    std::string hex;
    char pair[3];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        hex += pair;
    }
    return hex;
}

std::string PictureObjects(int count, const std::string& hex)
{
    std::string text = "object TTestObject\n";
    for (int i = 0; i < count; ++i)
        text += "  object Picture" + std::to_string(i) + ": TwzBitmapObject\n    Bitmap.PNG = {" + hex
            + "}\n  end\n";
    return text + "end\n";
}

class LoadBudget : public Ui2dTest { };

} // namespace

TEST_F(LoadBudget, PicturesBeyondTheLoadsBudgetFailTheWholeLoad)
{
    const std::string hex = LargeJpegHex();
    // Two such pictures fit the budget exactly (they do not decode, and leave nothing).
    {
        rtl::TMemoryStream text;
        const std::string two = PictureObjects(2, hex);
        text.WriteBuffer(two.data(), two.size());
        text.SetPosition(0);
        rtl::TOwned<TwzObject> loaded(Create2DObjectFromTextStream(nullptr, text));
        EXPECT_NE(loaded, nullptr);
    }
    // A third goes beyond it: the load raises, naming the picture, and frees what it made.
    rtl::TMemoryStream text;
    const std::string three = PictureObjects(3, hex);
    text.WriteBuffer(three.data(), three.size());
    text.SetPosition(0);
    try {
        rtl::TOwned<TwzObject> loaded(Create2DObjectFromTextStream(nullptr, text));
        ADD_FAILURE() << "loaded";
    } catch (const rtl::LimitError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("Bitmap.PNG"), std::string::npos) << message;
        EXPECT_NE(message.find("8192 x 8192"), std::string::npos) << message;
        EXPECT_NE(message.find("512 MB"), std::string::npos) << message;
    }
    // Loads are counted one by one: the next one starts from nothing.
    text.SetPosition(0);
    const std::string one = PictureObjects(1, hex);
    rtl::TMemoryStream again;
    again.WriteBuffer(one.data(), one.size());
    again.SetPosition(0);
    rtl::TOwned<TwzObject> loaded(Create2DObjectFromTextStream(nullptr, again));
    EXPECT_NE(loaded, nullptr);
}

// Outside a load nothing is counted.
TEST(LoadBudgetCharge, OnlyInsideARead)
{
    EXPECT_NO_THROW(rtl::ChargeLoad(uint64_t(1) << 40, "a picture"));
}
