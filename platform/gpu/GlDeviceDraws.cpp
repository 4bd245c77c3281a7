#include "platform/gpu/GlDevice.h"

#include "platform/gpu/GlDeviceShared.h"

#include <algorithm>

namespace platform::gpu {

using gldevice::LoadMatrix;
using gldevice::OwnObject;

namespace {

GLenum GlPrimitive(D3DPRIMITIVETYPE type)
{
    switch (type) {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    default:
        return GL_TRIANGLES;
    }
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    D3DMATRIX r {};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j]
                + a.m[i][3] * b.m[3][j];
    return r;
}

} // namespace

// --- preparing a draw --------------------------------------------------------------------

void GlDevice::PrepareTransforms()
{
    if (m_projectionDirty) {
        m_projectionDirty = false;
        // Fold D3D's clip depth [0, w] into GL's [-w, w] (window depth then equals D3D's z),
        // then move everything half a pixel right and down so pixel centres fall on whole
        // coordinates as in D3D.
        D3DMATRIX p = m_state.Projection;
        for (int r = 0; r < 4; ++r)
            p.m[r][2] = 2 * p.m[r][2] - p.m[r][3];
        float w = float(std::max<uint32_t>(m_targetWidth, 1));
        float h = float(std::max<uint32_t>(m_targetHeight, 1));
        for (int r = 0; r < 4; ++r) {
            p.m[r][0] += p.m[r][3] / w;
            p.m[r][1] -= p.m[r][3] / h;
        }
        glMatrixMode(GL_PROJECTION);
        LoadMatrix(p);
    }
    if (m_modelViewDirty) {
        m_modelViewDirty = false;
        glMatrixMode(GL_MODELVIEW);
        LoadMatrix(Multiply(m_state.World, m_state.View));
    }
    if (m_textureMatrixDirty) {
        m_textureMatrixDirty = false;
        // D3D feeds 2D coordinates as (u, v, 1), GL as (s, t, 0, 1): the translation moves
        // from the third row to the fourth.
        D3DMATRIX g = DeviceState::Identity();
        if ((m_state.StageState(D3DTSS_TEXTURETRANSFORMFLAGS) & 0xFF) == D3DTTFF_COUNT2) {
            const D3DMATRIX& m = m_state.TextureMatrices[0];
            for (int c = 0; c < 2; ++c) {
                g.m[0][c] = m.m[0][c];
                g.m[1][c] = m.m[1][c];
                g.m[3][c] = m.m[2][c];
            }
        }
        glMatrixMode(GL_TEXTURE);
        LoadMatrix(g);
    }
    glMatrixMode(GL_MODELVIEW);
}

void GlDevice::PrepareColorMaterial(const VertexLayout& layout)
{
    bool vertexColor = m_state.RenderState(D3DRS_COLORVERTEX) != 0 && layout.Diffuse >= 0;
    bool diffuse = vertexColor && m_state.RenderState(D3DRS_DIFFUSEMATERIALSOURCE) == D3DMCS_COLOR1;
    bool ambient = vertexColor && m_state.RenderState(D3DRS_AMBIENTMATERIALSOURCE) == D3DMCS_COLOR1;
    int mode = diffuse && ambient ? GL_AMBIENT_AND_DIFFUSE : diffuse ? GL_DIFFUSE : ambient ? GL_AMBIENT : 0;
    if (mode == m_colorMaterial)
        return;
    // A tracked material colour keeps the last vertex colour after tracking stops: restore
    // the material whenever the tracking changes.
    glDisable(GL_COLOR_MATERIAL);
    ApplyMaterial();
    if (mode) {
        glColorMaterial(GL_FRONT_AND_BACK, GLenum(mode));
        glEnable(GL_COLOR_MATERIAL);
    }
    m_colorMaterial = mode;
}

// --- geometry ----------------------------------------------------------------------------

HRESULT GlDevice::SetFVF(uint32_t fvf)
{
    if (m_recorder.Record(FvfCall { fvf }))
        return D3D_OK;
    m_state.Fvf = fvf;
    return D3D_OK;
}

HRESULT GlDevice::SetStreamSource(
    uint32_t stream, const VertexBufferPtr& buffer, uint32_t offset, uint32_t stride)
{
    if (stream != 0 || (buffer && !OwnObject<GlVertexBuffer>(buffer, m_context.get())))
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(StreamSourceCall { stream, buffer, offset, stride }))
        return D3D_OK;
    m_state.StreamSource = buffer;
    m_state.StreamOffset = offset;
    m_state.StreamStride = stride;
    return D3D_OK;
}

HRESULT GlDevice::SetIndices(const IndexBufferPtr& buffer)
{
    if (buffer && !OwnObject<GlIndexBuffer>(buffer, m_context.get()))
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(IndicesCall { buffer }))
        return D3D_OK;
    m_state.Indices = buffer;
    return D3D_OK;
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertexIndex, uint32_t, uint32_t,
    uint32_t startIndex, uint32_t primitiveCount)
{
    auto bound = BindIndexedDraw<GlVertexBuffer, GlIndexBuffer>(
        m_state, type, baseVertexIndex, startIndex, primitiveCount);
    if (!m_inScene || !bound)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    if (!m_pendingReads.empty())
        CompleteReads(m_renderTarget.get());
    if (!PrepareTarget())
        return D3DERR_INVALIDCALL;
    const VertexLayout& layout = bound->Layout;
    const IndexedDraw& draw = bound->Draw;
    PrepareLights();
    PrepareTransforms();
    PrepareColorMaterial(layout);
    PrepareBlendAndAlphaTest(layout);
    PrepareLitProgram();

    m_gl.glBindBuffer(GL_ARRAY_BUFFER, bound->Vertices->Store().Name());
    m_gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, bound->Indices->Store().Name());
    // GL takes an offset into the bound buffer in a pointer's place.
    auto at = [this](int32_t field) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): an offset in the buffer, never dereferenced
        return reinterpret_cast<const void*>(uintptr_t(m_state.StreamOffset) + uintptr_t(field));
    };
    GLsizei stride = GLsizei(m_state.StreamStride);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, at(0));
    if (layout.Normal >= 0) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, at(layout.Normal));
    } else {
        glDisableClientState(GL_NORMAL_ARRAY);
        glNormal3f(0, 0, 0);
    }
    if (layout.Diffuse >= 0) {
        // D3DCOLOR's bytes in memory are B, G, R, A.
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, at(layout.Diffuse));
    } else {
        glDisableClientState(GL_COLOR_ARRAY);
        glColor4f(1, 1, 1, 1);
    }
    if (layout.TexCoord >= 0) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, stride, at(layout.TexCoord));
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    m_gl.glDrawElementsBaseVertex(GlPrimitive(type), GLsizei(draw.IndexCount),
        draw.IndexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
        // NOLINTNEXTLINE(performance-no-int-to-ptr): an offset in the index buffer, as above
        reinterpret_cast<const void*>(uintptr_t(startIndex) * draw.IndexSize), baseVertexIndex);
    return D3D_OK;
}

} // namespace platform::gpu
