// Every function that reads an array is handed arrays whose descriptor lies; it refuses them before
// reading anything (the sanitizer build would see a read past the data) and leaves them unlocked.
#include "PointValues.h"

#include <gtest/gtest.h>

#include <functional>

using namespace GeometryTest;

namespace {

TEST(MalformedArrays, AreRefusedByEveryArrayReader) {
    SArray<MbCartPoint3D> space;
    SArray<MbFloatPoint3D> floatSpace;
    SArray<MbFloatPoint> floatPlane;
    SArray<MbFloatVector3D> vectors;
    std::vector<MbCartPoint3D> spaceVector;
    SArray<MbCartPoint> plane;
    std::vector<MbCartPoint> planeVector;
    SArray<MbMatrix3D> matrices;
    MbMatrix3D matrix;
    MbMatrix planeMatrix;
    MbCartPoint point;
    const std::vector<MbCartPoint3D> points(2);
    struct Reader {
        const char* name;
        std::function<bool(VARIANT&)> read;
        std::size_t numbers = 48; // whole points of every kind, whole matrices
    };
    const Reader readers[] = {
        {"SArray<MbCartPoint3D>", [&](VARIANT& v) { return CopyVariantToSArray(v, space, true); }},
        {"SArray<MbFloatPoint3D>", [&](VARIANT& v) { return CopyVariantToSArray(v, floatSpace); }},
        {"SArray<MbFloatPoint>", [&](VARIANT& v) { return CopyVariantToSArray(v, floatPlane, false); }},
        {"SArray<MbFloatVector3D>", [&](VARIANT& v) { return CopyVariantToSArray(v, vectors); }},
        {"FillMbCartPoint3DVector",
         [&](VARIANT& v) { return FillMbCartPoint3DVector(v, spaceVector, nullptr); }},
        {"FillMbCartPointArray", [&](VARIANT& v) { return FillMbCartPointArray(v, plane, nullptr); }},
        {"FillMbCartPointVector", [&](VARIANT& v) { return FillMbCartPointVector(v, planeVector, nullptr); }},
        {"TransformVariantToMbCartPoint",
         [&](VARIANT& v) { return TransformVariantToMbCartPoint(point, v); }},
        {"TransformPoints in space", [&](VARIANT& v) { return TransformPoints(v, matrix); }},
        {"TransformPoints in the plane", [&](VARIANT& v) { return TransformPoints(v, planeMatrix); }},
        {"ResetPoints", [&](VARIANT& v) { return ResetPoints(v, points); }},
        {"SArray<MbMatrix3D>", [&](VARIANT& v) { return CopyVariantToSArray(v, matrices); }},
        {"CopyVariantToMbMatrix3D", [&](VARIANT& v) { return CopyVariantToMbMatrix3D(v, matrix); }, 16},
    };
    struct Shape {
        const char* name;
        std::function<void(SAFEARRAY&)> lie;
    };
    const Shape shapes[] = {
        {"narrower elements than the type", [](SAFEARRAY& a) { a.cbElements = 4; }},
        {"wider elements than the type", [](SAFEARRAY& a) { a.cbElements = 16; }},
        {"2^31 elements and more", [](SAFEARRAY& a) { a.rgsabound[0].cElements += 0x80000000u; }},
        {"no dimensions", [](SAFEARRAY& a) { a.cDims = 0; }},
        {"no data", [](SAFEARRAY& a) { a.pvData = nullptr; }},
    };
    for (VARTYPE form : {VT_R8, VT_VARIANT})
        for (const Shape& shape : shapes)
            for (const Reader& reader : readers) {
                const std::vector<double> numbers(reader.numbers, 1.5);
                _variant_t value = Numbers(form, numbers);
                {
                    Tampered tampered(value, shape.lie);
                    EXPECT_FALSE(reader.read(value)) << reader.name << ", " << shape.name << ", vt " << form;
                    TestSupport::ExpectUnlocked(value);
                }
                EXPECT_EQ(NumbersOf(value), numbers) << reader.name << ", " << shape.name;
            }
    EXPECT_EQ(space.Count() + floatSpace.Count() + floatPlane.Count() + vectors.Count() + plane.Count() +
                  matrices.Count(),
              0u);
    EXPECT_TRUE(spaceVector.empty() && planeVector.empty());
    EXPECT_EQ(point, MbCartPoint());
    EXPECT_EQ(matrix.CheckFlag(), MatrixFlag::identity);
}

} // namespace
