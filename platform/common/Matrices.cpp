// D3DX matrix functions: row vectors, left-handed, as published.
#include <cmath>

#include "platform/D3dx.h"

D3DMATRIX* D3DXMatrixIdentity(D3DMATRIX* out) {
    *out = D3DMATRIX{};
    for (int i = 0; i < 4; ++i) out->m[i][i] = 1.0f;
    return out;
}

D3DMATRIX* D3DXMatrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    // Computed into a temporary so that out may alias a or b.
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] =
                a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
        }
    }
    *out = r;
    return out;
}

D3DMATRIX* D3DXMatrixTranslation(D3DMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->m[3][0] = x;
    out->m[3][1] = y;
    out->m[3][2] = z;
    return out;
}

namespace {

// A rotation by angle in the plane of axes i and j, turning axis i towards axis j.
D3DMATRIX* PlaneRotation(D3DMATRIX* out, float angle, int i, int j) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->m[i][i] = c;
    out->m[i][j] = s;
    out->m[j][i] = -s;
    out->m[j][j] = c;
    return out;
}

}  // namespace

D3DMATRIX* D3DXMatrixRotationX(D3DMATRIX* out, float angle) { return PlaneRotation(out, angle, 1, 2); }
D3DMATRIX* D3DXMatrixRotationY(D3DMATRIX* out, float angle) { return PlaneRotation(out, angle, 2, 0); }

D3DMATRIX* D3DXMatrixPerspectiveFovLH(D3DMATRIX* out, float fovy, float aspect, float zn, float zf) {
    const float ys = 1.0f / std::tan(fovy / 2.0f);
    const float xs = ys / aspect;
    const float q = zf / (zf - zn);
    *out = D3DMATRIX{};
    out->m[0][0] = xs;
    out->m[1][1] = ys;
    out->m[2][2] = q;
    out->m[2][3] = 1.0f;
    out->m[3][2] = -zn * q;
    return out;
}
