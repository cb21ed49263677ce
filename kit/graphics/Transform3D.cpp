#include "kit/graphics/Transform3D.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace transform3d {

using Vec3 = std::array<double, 3>;

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b) { return { a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0] }; }
Vec3 combine(const Vec3& a, const Vec3& b, double sb) { return { a[0] + b[0] * sb, a[1] + b[1] * sb, a[2] + b[2] * sb }; }
double length(const Vec3& a) { return std::sqrt(dot(a, a)); }
Vec3 scaled(const Vec3& a, double s) { return { a[0] * s, a[1] * s, a[2] * s }; }

// Gauss-Jordan with partial pivoting; false when a pivot vanishes against the matrix's scale.
bool invert(const Transform3D& t, Transform3D* out)
{
    double a[4][8];
    double largest = 0;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = t.at(r, c);
            a[r][c + 4] = r == c ? 1 : 0;
            largest = std::max(largest, std::abs(a[r][c]));
        }
    if (largest == 0 || !std::isfinite(largest))
        return false;
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::abs(a[r][col]) > std::abs(a[pivot][col]))
                pivot = r;
        if (std::abs(a[pivot][col]) <= 1e-14 * largest)
            return false;
        if (pivot != col)
            for (int c = 0; c < 8; ++c)
                std::swap(a[pivot][c], a[col][c]);
        const double p = a[col][col];
        for (int c = 0; c < 8; ++c)
            a[col][c] /= p;
        for (int r = 0; r < 4; ++r) {
            if (r == col || a[r][col] == 0)
                continue;
            const double f = a[r][col];
            for (int c = 0; c < 8; ++c)
                a[r][c] -= f * a[col][c];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out->at(r, c) = a[r][c + 4];
    return true;
}

// Column-vector rotation matrix of a unit quaternion; the row-vector matrix is its transpose.
void rotationOf(const std::array<double, 4>& q, double rc[3][3])
{
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    rc[0][0] = 1 - 2 * (y * y + z * z);
    rc[0][1] = 2 * (x * y - z * w);
    rc[0][2] = 2 * (x * z + y * w);
    rc[1][0] = 2 * (x * y + z * w);
    rc[1][1] = 1 - 2 * (x * x + z * z);
    rc[1][2] = 2 * (y * z - x * w);
    rc[2][0] = 2 * (x * z - y * w);
    rc[2][1] = 2 * (y * z + x * w);
    rc[2][2] = 1 - 2 * (x * x + y * y);
}

std::array<double, 4> quaternionOf(const double rc[3][3])
{
    const double trace = rc[0][0] + rc[1][1] + rc[2][2];
    std::array<double, 4> q;
    if (trace > 0) {
        const double s = 0.5 / std::sqrt(trace + 1);
        q = { (rc[2][1] - rc[1][2]) * s, (rc[0][2] - rc[2][0]) * s, (rc[1][0] - rc[0][1]) * s, 0.25 / s };
    } else if (rc[0][0] > rc[1][1] && rc[0][0] > rc[2][2]) {
        const double s = 2 * std::sqrt(1 + rc[0][0] - rc[1][1] - rc[2][2]);
        q = { 0.25 * s, (rc[0][1] + rc[1][0]) / s, (rc[0][2] + rc[2][0]) / s, (rc[2][1] - rc[1][2]) / s };
    } else if (rc[1][1] > rc[2][2]) {
        const double s = 2 * std::sqrt(1 + rc[1][1] - rc[0][0] - rc[2][2]);
        q = { (rc[0][1] + rc[1][0]) / s, 0.25 * s, (rc[1][2] + rc[2][1]) / s, (rc[0][2] - rc[2][0]) / s };
    } else {
        const double s = 2 * std::sqrt(1 + rc[2][2] - rc[0][0] - rc[1][1]);
        q = { (rc[0][2] + rc[2][0]) / s, (rc[1][2] + rc[2][1]) / s, 0.25 * s, (rc[1][0] - rc[0][1]) / s };
    }
    return q;
}

std::array<double, 4> slerp(std::array<double, 4> a, std::array<double, 4> b, double t)
{
    double d = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    if (d < 0) {
        for (double& v : b)
            v = -v;
        d = -d;
    }
    double wa = 1 - t, wb = t;
    if (d < 0.9995) {
        const double theta = std::acos(std::clamp(d, -1.0, 1.0));
        const double s = std::sin(theta);
        wa = std::sin((1 - t) * theta) / s;
        wb = std::sin(t * theta) / s;
    }
    std::array<double, 4> q;
    double norm = 0;
    for (int i = 0; i < 4; ++i) {
        q[i] = a[i] * wa + b[i] * wb;
        norm += q[i] * q[i];
    }
    norm = std::sqrt(norm);
    if (norm > 0)
        for (double& v : q)
            v /= norm;
    return q;
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

} // namespace transform3d

std::array<double, 16> Transform3D::elements() const
{
    std::array<double, 16> m;
    for (int i = 0; i < 16; ++i)
        m[std::size_t(i)] = at(i / 4, i % 4);
    return m;
}

Transform3D Transform3D::fromElements(const std::array<double, 16>& m)
{
    Transform3D t;
    for (int i = 0; i < 16; ++i)
        t.at(i / 4, i % 4) = m[std::size_t(i)];
    return t;
}

Transform3D Transform3DMakeTranslation(double tx, double ty, double tz)
{
    Transform3D t;
    t.m41 = tx;
    t.m42 = ty;
    t.m43 = tz;
    return t;
}

Transform3D Transform3DMakeScale(double sx, double sy, double sz)
{
    Transform3D t;
    t.m11 = sx;
    t.m22 = sy;
    t.m33 = sz;
    return t;
}

Transform3D Transform3DMakeRotation(double angle, double x, double y, double z)
{
    const double len = std::sqrt(x * x + y * y + z * z);
    if (len == 0 || !std::isfinite(len))
        return Transform3DIdentity;
    x /= len;
    y /= len;
    z /= len;
    const double s = std::sin(angle), c = std::cos(angle), k = 1 - c;
    // Column-vector rotation R, stored transposed for row vectors.
    const double r[3][3] = {
        { c + x * x * k, x * y * k - z * s, x * z * k + y * s },
        { y * x * k + z * s, c + y * y * k, y * z * k - x * s },
        { z * x * k - y * s, z * y * k + x * s, c + z * z * k },
    };
    Transform3D t;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            t.at(i, j) = r[j][i];
    return t;
}

Transform3D Transform3DConcat(const Transform3D& a, const Transform3D& b)
{
    Transform3D r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.at(i, k) * b.at(k, j);
            r.at(i, j) = sum;
        }
    return r;
}

Transform3D Transform3DTranslate(const Transform3D& t, double tx, double ty, double tz)
{
    return Transform3DConcat(Transform3DMakeTranslation(tx, ty, tz), t);
}

Transform3D Transform3DScale(const Transform3D& t, double sx, double sy, double sz)
{
    return Transform3DConcat(Transform3DMakeScale(sx, sy, sz), t);
}

Transform3D Transform3DRotate(const Transform3D& t, double angle, double x, double y, double z)
{
    return Transform3DConcat(Transform3DMakeRotation(angle, x, y, z), t);
}

bool Transform3DIsIdentity(const Transform3D& t) { return t == Transform3DIdentity; }

Transform3D Transform3DInvert(const Transform3D& t)
{
    Transform3D inverse;
    return transform3d::invert(t, &inverse) ? inverse : t;
}

bool Transform3DIsInvertible(const Transform3D& t)
{
    Transform3D inverse;
    return transform3d::invert(t, &inverse);
}

double Transform3DDeterminant(const Transform3D& t)
{
    double a[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            a[r][c] = t.at(r, c);
    double det = 1;
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::abs(a[r][col]) > std::abs(a[pivot][col]))
                pivot = r;
        if (a[pivot][col] == 0)
            return 0;
        if (pivot != col) {
            std::swap(a[pivot], a[col]);
            det = -det;
        }
        det *= a[col][col];
        for (int r = col + 1; r < 4; ++r) {
            const double f = a[r][col] / a[col][col];
            for (int c = col; c < 4; ++c)
                a[r][c] -= f * a[col][c];
        }
    }
    return det;
}

bool Transform3DIsAffine(const Transform3D& t)
{
    return t.m13 == 0 && t.m14 == 0 && t.m23 == 0 && t.m24 == 0 && t.m31 == 0 && t.m32 == 0 && t.m33 == 1 && t.m34 == 0 && t.m43 == 0
        && t.m44 == 1;
}

CGAffineTransform Transform3DGetAffineTransform(const Transform3D& t) { return { t.m11, t.m12, t.m21, t.m22, t.m41, t.m42 }; }

Transform3D Transform3DMakeAffineTransform(const CGAffineTransform& a)
{
    Transform3D t;
    t.m11 = a.a;
    t.m12 = a.b;
    t.m21 = a.c;
    t.m22 = a.d;
    t.m41 = a.tx;
    t.m42 = a.ty;
    return t;
}

Point3D Transform3DApply(const Transform3D& t, Point3D p)
{
    const double in[4] = { p.x, p.y, p.z, p.w };
    double out[4];
    for (int j = 0; j < 4; ++j)
        out[j] = in[0] * t.at(0, j) + in[1] * t.at(1, j) + in[2] * t.at(2, j) + in[3] * t.at(3, j);
    return { out[0], out[1], out[2], out[3] };
}

bool Transform3DDecompose(const Transform3D& matrix, DecomposedTransform3D* parts)
{
    using namespace transform3d;
    if (matrix.m44 == 0 || !std::isfinite(matrix.m44))
        return false;
    Transform3D m = matrix;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.at(r, c) /= matrix.m44;
    // M = A · P, where A is M without its perspective column.
    Transform3D affine = m;
    affine.m14 = affine.m24 = affine.m34 = 0;
    affine.m44 = 1;
    Transform3D inverseAffine;
    if (!invert(affine, &inverseAffine))
        return false;
    DecomposedTransform3D d;
    if (m.m14 != 0 || m.m24 != 0 || m.m34 != 0) {
        const double column[4] = { m.m14, m.m24, m.m34, m.m44 };
        for (int i = 0; i < 4; ++i)
            d.perspective[std::size_t(i)] = inverseAffine.at(i, 0) * column[0] + inverseAffine.at(i, 1) * column[1]
                + inverseAffine.at(i, 2) * column[2] + inverseAffine.at(i, 3) * column[3];
    }
    d.translation = { m.m41, m.m42, m.m43 };
    Vec3 row[3];
    for (int i = 0; i < 3; ++i)
        row[i] = { m.at(i, 0), m.at(i, 1), m.at(i, 2) };
    d.scale[0] = length(row[0]);
    row[0] = scaled(row[0], 1 / d.scale[0]);
    d.skew[0] = dot(row[0], row[1]);
    row[1] = combine(row[1], row[0], -d.skew[0]);
    d.scale[1] = length(row[1]);
    row[1] = scaled(row[1], 1 / d.scale[1]);
    d.skew[0] /= d.scale[1];
    d.skew[1] = dot(row[0], row[2]);
    row[2] = combine(row[2], row[0], -d.skew[1]);
    d.skew[2] = dot(row[1], row[2]);
    row[2] = combine(row[2], row[1], -d.skew[2]);
    d.scale[2] = length(row[2]);
    row[2] = scaled(row[2], 1 / d.scale[2]);
    d.skew[1] /= d.scale[2];
    d.skew[2] /= d.scale[2];
    if (dot(row[0], cross(row[1], row[2])) < 0)
        for (int i = 0; i < 3; ++i) {
            d.scale[std::size_t(i)] = -d.scale[std::size_t(i)];
            row[i] = scaled(row[i], -1);
        }
    double rc[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rc[i][j] = row[j][std::size_t(i)];
    d.quaternion = quaternionOf(rc);
    *parts = d;
    return true;
}

Transform3D Transform3DRecompose(const DecomposedTransform3D& d)
{
    double rc[3][3];
    transform3d::rotationOf(d.quaternion, rc);
    Transform3D rotation;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rotation.at(i, j) = rc[j][i];
    Transform3D skew;
    skew.m21 = d.skew[0];
    skew.m31 = d.skew[1];
    skew.m32 = d.skew[2];
    Transform3D perspective;
    perspective.m14 = d.perspective[0];
    perspective.m24 = d.perspective[1];
    perspective.m34 = d.perspective[2];
    perspective.m44 = d.perspective[3];
    Transform3D m = Transform3DMakeScale(d.scale[0], d.scale[1], d.scale[2]);
    m = Transform3DConcat(m, skew);
    m = Transform3DConcat(m, rotation);
    m = Transform3DConcat(m, Transform3DMakeTranslation(d.translation[0], d.translation[1], d.translation[2]));
    return Transform3DConcat(m, perspective);
}

Transform3D Transform3DInterpolate(const Transform3D& a, const Transform3D& b, double t)
{
    using transform3d::mix;
    if (t <= 0)
        return a;
    if (t >= 1)
        return b;
    DecomposedTransform3D da, db;
    if (!Transform3DDecompose(a, &da) || !Transform3DDecompose(b, &db)) {
        Transform3D r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                r.at(i, j) = mix(a.at(i, j), b.at(i, j), t);
        return r;
    }
    DecomposedTransform3D d;
    for (std::size_t i = 0; i < 3; ++i) {
        d.scale[i] = mix(da.scale[i], db.scale[i], t);
        d.skew[i] = mix(da.skew[i], db.skew[i], t);
        d.translation[i] = mix(da.translation[i], db.translation[i], t);
    }
    for (std::size_t i = 0; i < 4; ++i)
        d.perspective[i] = mix(da.perspective[i], db.perspective[i], t);
    d.quaternion = transform3d::slerp(da.quaternion, db.quaternion, t);
    return Transform3DRecompose(d);
}

Value valueWithTransform3D(const Transform3D& t) { return Value::transform3D(t.elements()); }

Transform3D transform3DFromValue(const Value& v)
{
    if (v.kind() != Value::Kind::Transform3D)
        return Transform3DIdentity;
    return Transform3D::fromElements(v.transform3DElements());
}

} // namespace kit
