#pragma once

// A 64 x 64 scene for pixel tests of shapes and effects: a TestScene painting into a bitmap
// through the real canvas, with a root object the size of the bitmap, plus pixel helpers.

#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "ui2d/TwzVisualObject.h"

#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace ui2dtest {

using testsupport::Alpha;
using testsupport::Blue;
using testsupport::Green;
using testsupport::Hex;
using testsupport::Red;

/// A bitmap of the given size, transparent, with an opaque `color` square at
/// (left, top) of side `side`.
inline std::unique_ptr<TwzBitmap> SquareBitmap(
    int size, int left, int top, int side, uint32_t color = 0xFFFFFFFF)
{
    auto bitmap = std::make_unique<TwzBitmap>(size, size);
    for (int y = top; y < top + side; ++y) {
        for (int x = left; x < left + side; ++x)
            bitmap->GetScanline(y)[x] = color;
    }
    return bitmap;
}

class PixelScene : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        m_previousCanvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
        canvas = std::make_unique<TwzCanvasGdiPlus>(&bitmap);
        form.reset(new TTestObject(nullptr));
        scene = new TestScene(form.get());
        scene->SetCanvas(canvas.get());
        root = new TwzVisualObject(form.get());
        scene->AddObject(root);
        scene->SetSize(64, 64);
    }

    void TearDown() override
    {
        form.reset();
        DefaultCanvasClass = m_previousCanvasClass;
        Ui2dTest::TearDown();
    }

    /// An object of class T owned by the form, placed in `parent` (the root by default).
    template <class T> T* Add(const TwzRect& box, TwzObject* parent = nullptr)
    {
        auto* object = new T(form.get());
        object->SetBounds(box.Left, box.Top, RectWidth(box), RectHeight(box));
        object->SetParent(parent ? parent : root);
        return object;
    }

    /// One paint cycle over the whole surface, on a transparent bitmap.
    void PaintAll()
    {
        bitmap.Clear(0);
        scene->ClearUpdateRects();
        scene->AddUpdateRect({ 0, 0, 64, 64 });
        scene->PaintRoots();
    }

    uint32_t Pixel(int x, int y) { return bitmap.GetScanline(y)[x]; }

    TwzBitmap bitmap { 64, 64 };
    std::unique_ptr<TwzCanvasGdiPlus> canvas;
    rtl::TOwned<TTestObject> form;
    TestScene* scene = nullptr;
    TwzVisualObject* root = nullptr;

private:
    const TwzCanvasClass* m_previousCanvasClass = nullptr;
};

} // namespace ui2dtest
