// MbMatrix3D carried as its sixteen elements, row by row: one matrix or a list of them read from an
// array value, one matrix written as a new VT_R8 array.
#include "geometry/FlatPointLayout.h"

#include "frame/ArrayOutput.h"

using namespace WindowsUtils;

namespace {

constexpr LONG elementCount = MbMatrix3D::elementCount;
constexpr AcceptedForm matrixForms[] = {{VT_R8, byCount}, {VT_R4, byCount}, {VT_VARIANT, byCount}};

using MatrixElements = std::array<double, MbMatrix3D::elementCount>;

// The elements of one matrix from its flat form at `numbers`, row by row. Gathered apart from any
// matrix, so that a coercion that fails leaves the matrices as they were.
template <VARTYPE Form>
MatrixElements ReadMatrixElements(const ElementType<Form>* numbers) {
    MatrixElements elements{};
    for (LONG k = 0; k < elementCount; ++k)
        elements[static_cast<std::size_t>(k)] = ReadNumber<VT_R8, Form>(numbers[k]);
    return elements;
}

// Fills a matrix from the flat form of one matrix at `numbers`. Stored doubles go straight in; other
// forms are gathered first, so that a coercion that fails leaves the matrix as it was.
template <VARTYPE Form>
void FillMatrix(MbMatrix3D& matrix, const ElementType<Form>* numbers) {
    if constexpr (Form == VT_R8)
        matrix.SetElements(numbers);
    else
        matrix.SetElements(ReadMatrixElements<Form>(numbers).data());
}

template <class Visit>
void WithMatrixForm(VARTYPE element, Visit visit) {
    WithElementType<VT_R8, VT_R4, VT_VARIANT>(element, visit);
}

} // namespace

bool CopyVariantToMbMatrix3D(const VARIANT& value, MbMatrix3D& matrix) {
    const AcceptedForm* accepted = MatchingForm(value, matrixForms);
    // Only the first bound's cElements is examined; readability keeps the sixteen reads inside the data.
    if (accepted == nullptr || value.parray == nullptr ||
        value.parray->rgsabound[0].cElements != static_cast<ULONG>(elementCount) ||
        !IsReadable(*value.parray, elementCount, accepted->element))
        return false;
    LockedData data(value.parray);
    if (!data)
        return false;
    // Written directly, so the classification is marked stale.
    WithMatrixForm(accepted->element, [&](auto form) {
        constexpr VARTYPE Form = decltype(form)::value;
        FillMatrix<Form>(matrix, data.Elements<const ElementType<Form>>());
    });
    // Once the data were reached, the matrix is read whatever the release gives.
    data.Release();
    return true;
}

bool CopyVariantToSArray(const VARIANT& value, SArray<MbMatrix3D>& matrices) {
    const CheckedForm checked = CheckFlatArray(value, matrixForms, elementCount);
    if (checked.form == nullptr)
        return false;
    LockedData data(value.parray);
    if (!data)
        return false;
    MbMatrix3D working;
    WithMatrixForm(checked.form->element, [&](auto form) {
        constexpr VARTYPE Form = decltype(form)::value;
        const auto* numbers = data.Elements<const ElementType<Form>>();
        for (LONG group = 0; group < checked.size / elementCount; ++group, numbers += elementCount) {
            FillMatrix<Form>(working, numbers);
            // A matrix the array cannot take is left out.
            matrices.AppendRecord(working);
        }
    });
    return data.Release();
}

bool MbMatrix3DToVariant(const MbMatrix3D& matrix, VARIANT& output) {
    VariantInit(&output);
    SAFEARRAY* array = CreateBoundedArray(VT_R8, elementCount);
    if (array == nullptr)
        return false;
    ElementWriter writer(array);
    for (LONG k = 0; k < elementCount; ++k)
        writer.PutValue(matrix[static_cast<std::size_t>(k)]);
    StoreArray(output, VT_R8, array, OutputStart::AsItStands);
    return true;
}
