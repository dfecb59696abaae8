// Matrix functions against numbers worked out by hand, and the buffer copies.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/D3dx.h"

namespace {

void ExpectMatrix(const D3DMATRIX& m, const float (&want)[4][4], float tolerance = 1e-6f) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.m[i][j], want[i][j], tolerance) << "element " << i << j;
    }
}

TEST(MatrixTest, HandWorkedValues) {
    D3DMATRIX m;
    ExpectMatrix(*D3DXMatrixIdentity(&m), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    ExpectMatrix(*D3DXMatrixTranslation(&m, 80, 0, -250), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {80, 0, -250, 1}});
    // 90 degrees about x takes +y to +z (left-handed, clockwise looking toward the origin).
    ExpectMatrix(*D3DXMatrixRotationX(&m, 1.5707964f), {{1, 0, 0, 0}, {0, 0, 1, 0}, {0, -1, 0, 0}, {0, 0, 0, 1}});
    // 90 degrees about y takes +z to +x.
    ExpectMatrix(*D3DXMatrixRotationY(&m, 1.5707964f), {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}});
    // The program's projection: cot(30 deg) = 1.7320508, Q = 800/799.
    ExpectMatrix(*D3DXMatrixPerspectiveFovLH(&m, 1.0471976f, 1.0f, 1.0f, 800.0f),
                 {{1.7320508f, 0, 0, 0}, {0, 1.7320508f, 0, 0}, {0, 0, 1.0012516f, 1}, {0, 0, -1.0012516f, 0}}, 1e-5f);
    ExpectMatrix(*D3DXMatrixPerspectiveFovLH(&m, 1.5707964f, 2.0f, 1.0f, 3.0f),
                 {{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1.5f, 1}, {0, 0, -1.5f, 0}}, 1e-6f);
}

TEST(MatrixTest, MultiplyAppliesTheLeftFirstAndMayAlias) {
    D3DMATRIX t, r, out;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    D3DXMatrixRotationY(&r, 1.5707964f);
    D3DXMatrixMultiply(&out, &t, &r);
    // The origin moves to (1,2,3) and then turns: (x,y,z) -> (z, y, -x).
    ExpectMatrix(out, {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {3, 2, -1, 1}});
    D3DXMatrixMultiply(&t, &t, &r);
    ExpectMatrix(t, {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {3, 2, -1, 1}});
}

TEST(BufferTest, CopiesAreBoundedOnBothSides) {
    std::unique_ptr<D3DXBuffer> buffer;
    ASSERT_EQ(CreateBuffer(12, buffer), D3D_OK);
    const std::int32_t in[3] = {7, 8, 9};
    std::int32_t out[4] = {0, 0, 0, -1};
    EXPECT_EQ(BufferSetData(*buffer, 0, 4, 3, in, sizeof in), D3D_OK);
    EXPECT_EQ(BufferGetData(*buffer, 0, 4, 3, out, sizeof out), D3D_OK);
    EXPECT_EQ(out[2], 9);
    EXPECT_EQ(out[3], -1);

    struct Case {
        DWORD Index, ElemSize, Count;
        std::size_t DestBytes;
        HRESULT Want;
    };
    const Case cases[] = {
        {0, 4, 4, 16, D3DERR_INVALIDCALL},                    // past the buffer's end
        {0, 4, 3, 8, D3DERR_INVALIDCALL},                     // past the destination's end
        {1, 4, 3, 16, D3DERR_INVALIDCALL},                    // offset plus count past the end
        {0, 0x40000000, 0x40000000, 16, D3DERR_INVALIDCALL},  // size overflow
        {0, 4, 0, 0, D3D_OK},
        {2, 4, 1, 4, D3D_OK},
    };
    for (const auto& c : cases) {
        std::int32_t dest[4] = {-5, -5, -5, -5};
        EXPECT_EQ(BufferGetData(*buffer, c.Index, c.ElemSize, c.Count, dest, c.DestBytes), c.Want)
            << c.Index << " " << c.ElemSize << " " << c.Count << " " << c.DestBytes;
        if (c.Want != D3D_OK) {
            EXPECT_EQ(dest[0], -5) << "nothing copied";
        }
    }
    EXPECT_EQ(BufferSetData(*buffer, 0, 4, 4, in, 16), D3DERR_INVALIDCALL);
}

}  // namespace
