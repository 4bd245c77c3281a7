#pragma once

#include "graphics/ObjectLinks.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// Stand-ins for the named resource objects of the 2D object tree, installed through the
// object-link services, so the values of the graphics library can be tested for their
// links without that library. Each object owns at most one value of each kind.
class TFakeResourceObject : public rtl::TComponent {
    RTL_CLASS(TFakeResourceObject, rtl::TComponent)
public:
    explicit TFakeResourceObject(rtl::TComponent* owner, std::string resourceName = {});

    [[nodiscard]] const std::string& GetResourceName() const { return m_resourceName; }
    void SetResourceName(const std::string& value) { m_resourceName = value; }

    // The owned values; set by the test (the object frees them).
    TwzPathData* path = nullptr;
    TwzBitmap* bitmap = nullptr;
    TwzBrush* brush = nullptr;
    bool stored = true;
    std::vector<rtl::TPersistent*> freeNotifies;

protected:
    ~TFakeResourceObject() override;
    void BeforeDestruction() override;

private:
    std::string m_resourceName;
};

/// Installs the fake services for the test's lifetime and removes them afterwards.
class FakeResourcesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
