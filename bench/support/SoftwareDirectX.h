#pragma once

#include "backends/DirectXModule.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzCanvasGdiPlus.h"

#include <cstdlib>

namespace bench {

/// The Direct3D module over OpenGL in software, and the 2D canvas that texts are laid out
/// with, for the life of one benchmark.
class SoftwareDirectX {
public:
    SoftwareDirectX()
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        hvDirectXInit();
        m_canvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
    }
    ~SoftwareDirectX()
    {
        DefaultCanvasClass = m_canvasClass;
        hvDirectXDone();
    }
    SoftwareDirectX(const SoftwareDirectX&) = delete;
    SoftwareDirectX& operator=(const SoftwareDirectX&) = delete;

    [[nodiscard]] bool Ready() const { return hvDirect3D != nullptr; }

private:
    const TwzCanvasClass* m_canvasClass = nullptr;
};

} // namespace bench
