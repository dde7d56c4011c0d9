// The cases measured: every export a host moves large arrays through, each beside its limit and its
// hand-written peer.
#include "Workloads.h"

#include <array>
#include <cstdio>
#include <tuple>
#include <type_traits>

namespace Bench {
namespace {

// ---------------------------------------------------------------------------------------------------
// Inputs

std::unique_ptr<OwnedValue> DoubleArray(std::size_t count) {
    auto value = std::make_unique<OwnedValue>();
    MakeDoubleArray(*value, count);
    return value;
}

std::unique_ptr<OwnedValue> IntegerArray(std::size_t count) {
    auto value = std::make_unique<OwnedValue>();
    MakeIntegerArray(*value, count);
    return value;
}

std::unique_ptr<OwnedValue> VariantArray(std::size_t count, VARTYPE elementType) {
    auto value = std::make_unique<OwnedValue>();
    MakeVariantArray(*value, count, elementType);
    return value;
}

// Sixteen characters, different for every index.
WideString SampleText(std::size_t index) {
    char text[32];
    std::snprintf(text, sizeof text, "label-%010zu", index);
    return WideString(text, text + 16);
}

// ---------------------------------------------------------------------------------------------------
// Hand-written peers

template <class Element>
void Append(std::vector<Element>& output, Element value) {
    output.push_back(value);
}

template <class Element>
void Append(SArray<Element>& output, const Element& value) {
    output.Add(value);
}

// Hand-written code reserves room in a vector; an SArray it fills by appends.
template <class Element>
void ReserveByHand(std::vector<Element>& output, LONG count) {
    output.reserve(static_cast<std::size_t>(count));
}

template <class Element>
void ReserveByHand(SArray<Element>&, LONG) {}

// Room for every element of the array, then appendAt(index) for each index, in order.
template <class Output, class AppendAt>
void AppendForEachIndex(const VARIANT& value, Output& output, AppendAt appendAt) {
    const auto [lower, upper] = BoundsOf(value.parray);
    ReserveByHand(output, upper - lower + 1);
    for (LONG index = lower; index <= upper; ++index)
        appendAt(index);
}

// Every element by SafeArrayGetElement, as it is stored.
template <class Stored, class Output>
void AppendEach(const VARIANT& value, Output& output) {
    using Element = std::remove_reference_t<decltype(*output.begin())>;
    AppendForEachIndex(value, output, [&](LONG index) {
        Append(output, static_cast<Element>(GetElement<Stored>(value.parray, index)));
    });
}

// Every VARIANT element by SafeArrayGetElement and VariantChangeType.
template <VARTYPE Target, class Output>
void AppendEachConverted(const VARIANT& value, Output& output) {
    using Element = std::remove_reference_t<decltype(*output.begin())>;
    AppendForEachIndex(value, output, [&](LONG index) {
        GetConverted(value.parray, index, Target, [&output](const VARIANT& element) {
            if constexpr (Target == VT_R8)
                Append(output, static_cast<Element>(element.dblVal));
            else
                Append(output, static_cast<Element>(element.intVal));
        });
    });
}

MbCartPoint3D GetPoint(SAFEARRAY* array, LONG first) {
    return {GetElement<double>(array, first), GetElement<double>(array, first + 1),
            GetElement<double>(array, first + 2)};
}

// Points of three numbers, through the matrix when there is one.
void AppendEachPoint(const VARIANT& value, std::vector<MbCartPoint3D>& points, const MbMatrix3D* matrix) {
    const auto [lower, upper] = BoundsOf(value.parray);
    ReserveByHand(points, (upper - lower + 1) / 3);
    for (LONG first = lower; first + 2 <= upper; first += 3) {
        MbCartPoint3D point = GetPoint(value.parray, first);
        if (matrix != nullptr)
            point.Transform(*matrix);
        points.push_back(point);
    }
}

void TransformEachPoint(VARIANT& value, const MbMatrix3D& matrix) {
    const auto [lower, upper] = BoundsOf(value.parray);
    for (LONG first = lower; first + 2 <= upper; first += 3) {
        MbCartPoint3D point = GetPoint(value.parray, first);
        point.Transform(matrix);
        PutElement(value.parray, first, point.x);
        PutElement(value.parray, first + 1, point.y);
        PutElement(value.parray, first + 2, point.z);
    }
}

void AppendEachMatrix(const VARIANT& value, SArray<MbMatrix3D>& matrices) {
    const auto [lower, upper] = BoundsOf(value.parray);
    std::array<double, MbMatrix3D::elementCount> elements{};
    MbMatrix3D matrix;
    for (LONG first = lower; first + 15 <= upper; first += 16) {
        for (LONG k = 0; k < 16; ++k)
            elements[static_cast<std::size_t>(k)] = GetElement<double>(value.parray, first + k);
        matrix.SetElements(elements.data());
        matrices.Add(matrix);
    }
}

void AppendEachText(const VARIANT& value, std::vector<WideString>& texts) {
    const auto [lower, upper] = BoundsOf(value.parray);
    texts.reserve(static_cast<std::size_t>(upper - lower + 1));
    for (LONG index = lower; index <= upper; ++index) {
        BSTR text = GetElement<BSTR>(value.parray, index);
        if (text != nullptr)
            texts.emplace_back(text, SysStringLen(text));
        SysFreeString(text);
    }
}

// Every element by SafeArrayPutElement, elementAt(index) giving its value.
template <class ElementAt>
void PutEach(SAFEARRAY* array, std::size_t count, ElementAt elementAt) {
    for (std::size_t index = 0; index < count; ++index)
        PutElement(array, static_cast<LONG>(index), elementAt(index));
}

// ---------------------------------------------------------------------------------------------------
// Cases

constexpr Expectation typedReader{0.9, 5};
constexpr Expectation fastPath{0.7, 5};
constexpr Expectation converted{0, 1};
constexpr Expectation pointsAsTheyAre{0.7, 1};
constexpr Expectation pointsTransformed{0.5, 1};
constexpr Expectation writer{0.35, 1};
constexpr Expectation strings{0, 1};

std::vector<std::size_t> NumberSizes(std::size_t groupSize = 1) {
    return {WholeGroups(1000, groupSize), WholeGroups(1000000, groupSize), WholeGroups(8000000, groupSize)};
}

constexpr std::size_t stringCount = 100000;

template <class Output, class MakeInput, class Read, class ReadByElement>
Case ReaderCase(std::string id, std::string title, Expectation expected, MakeInput makeInput, Read read,
                ReadByElement readByElement, std::size_t groupSize = 1) {
    return {std::move(id), std::move(title), expected, true, NumberSizes(groupSize), [=](std::size_t count) {
                return Reader<Output>(makeInput(count), count / groupSize, read, readByElement);
            }};
}

// The same container read from a typed array and from VARIANT elements of VT_R8 and VT_I4.
template <class Output, VARTYPE Target, class Stored, class MakeTypedInput, class Read>
void AddNumberReaders(std::vector<Case>& cases, const std::string& id, const std::string& title,
                      MakeTypedInput makeTypedInput, const char* typedForm, bool variantIsTarget, Read read) {
    cases.push_back(ReaderCase<Output>(id + "-typed", title + " from VT_ARRAY|" + typedForm, typedReader,
                                       makeTypedInput, read, AppendEach<Stored, Output>));
    const auto variants = [](VARTYPE elementType) {
        return [elementType](std::size_t count) { return VariantArray(count, elementType); };
    };
    for (const auto& [suffix, elementType, expected] :
         {std::tuple{"-variant-r8", VT_R8, variantIsTarget ? fastPath : converted},
          std::tuple{"-variant-i4", VT_I4, converted}}) {
        Case variantCase = ReaderCase<Output>(
            id + suffix, title + " from VT_ARRAY|VT_VARIANT of " + (elementType == VT_R8 ? "VT_R8" : "VT_I4"),
            expected, variants(elementType), read, AppendEachConverted<Target, Output>);
        // Appended one by one without a reservation, a new SArray grows by its fixed increment.
        if (std::is_same_v<Output, SArray<double>>)
            variantCase.freshOutputUpTo = 1000000;
        cases.push_back(std::move(variantCase));
    }
}

Case PointReaderCase(std::string id, std::string title, Expectation expected,
                     std::shared_ptr<const MbMatrix3D> matrix) {
    const auto read = [matrix](const VARIANT& value, std::vector<MbCartPoint3D>& points) {
        FillMbCartPoint3DVector(value, points, matrix.get());
    };
    const auto readByElement = [matrix](const VARIANT& value, std::vector<MbCartPoint3D>& points) {
        AppendEachPoint(value, points, matrix.get());
    };
    return ReaderCase<std::vector<MbCartPoint3D>>(std::move(id), std::move(title), expected, DoubleArray,
                                                  read, readByElement, 3);
}

Case TransformCase() {
    const auto translation = std::make_shared<const MbMatrix3D>(MbMatrix3D::Translation(1, 2, 3));
    return {"transform-points",
            "TransformPoints: VT_ARRAY|VT_R8 in place, through a translation",
            pointsTransformed,
            false,
            NumberSizes(3),
            [translation](std::size_t count) -> std::unique_ptr<Workload> {
                const auto change = [translation](VARIANT& value) { TransformPoints(value, *translation); };
                const auto changeByElement = [translation](VARIANT& value) {
                    TransformEachPoint(value, *translation);
                };
                return std::make_unique<InPlaceWorkload<decltype(change), decltype(changeByElement)>>(
                    DoubleArray(count), change, changeByElement);
            }};
}

// A writer of `count` numbers: the limit copies them into an array of their type, the peer puts them.
template <class Source, class Write, class PutAll>
Case WriterCase(std::string id, std::string title, VARTYPE elementType,
                std::function<std::unique_ptr<Source>(std::size_t)> makeSource,
                std::function<std::vector<std::byte>(std::size_t)> elementBytes, Write write, PutAll putAll,
                std::size_t groupSize = 1) {
    return {std::move(id), std::move(title), writer, false, NumberSizes(groupSize), [=](std::size_t count) {
                return Writer(makeSource(count), WrittenArray{elementType, count, elementBytes(count)},
                              WrittenArray{elementType, count, {}}, write, putAll);
            }};
}

std::vector<std::byte> DoubleBytes(std::size_t count) {
    return ElementBytes<double>(count, SampleNumber);
}

bool SampleBit(std::size_t index) {
    return index % 3 == 0;
}

std::unique_ptr<SArray<double>> DoubleSArray(std::size_t count) {
    auto numbers = std::make_unique<SArray<double>>();
    numbers->SetCapacity(count, false);
    for (std::size_t index = 0; index < count; ++index)
        numbers->Add(SampleNumber(index));
    return numbers;
}

std::unique_ptr<std::vector<double>> DoubleVector(std::size_t count) {
    auto numbers = std::make_unique<std::vector<double>>(count);
    for (std::size_t index = 0; index < count; ++index)
        (*numbers)[index] = SampleNumber(index);
    return numbers;
}

std::unique_ptr<std::vector<bool>> BitVector(std::size_t count) {
    auto bits = std::make_unique<std::vector<bool>>(count);
    for (std::size_t index = 0; index < count; ++index)
        (*bits)[index] = SampleBit(index);
    return bits;
}

std::unique_ptr<std::vector<MbCartPoint3D>> PointVector(std::size_t numberCount) {
    auto points = std::make_unique<std::vector<MbCartPoint3D>>();
    for (std::size_t first = 0; first < numberCount; first += 3)
        points->emplace_back(SampleNumber(first), SampleNumber(first + 1), SampleNumber(first + 2));
    return points;
}

// The string lists: the limit copies the characters (each string is an allocation of its own on both
// sides, which no single copy shows).
std::vector<std::byte> TextBytes(std::size_t count) {
    std::vector<std::byte> bytes;
    bytes.reserve(count * 16 * sizeof(WCHAR));
    for (std::size_t index = 0; index < count; ++index) {
        const WideString text = SampleText(index);
        const auto* first = reinterpret_cast<const std::byte*>(text.data());
        bytes.insert(bytes.end(), first, first + text.size() * sizeof(WCHAR));
    }
    return bytes;
}

Case StringReaderCase() {
    const auto read = [](const VARIANT& value, std::vector<WideString>& texts) {
        FillVectorToStrArray(value, texts);
    };
    return {"strings-read",
            "FillVectorToStrArray: VT_ARRAY|VT_BSTR into std::vector<std::wstring>",
            strings,
            true,
            {stringCount},
            [read](std::size_t count) {
                auto value = std::make_unique<OwnedValue>();
                MakeArray<BSTR>(*value, VT_BSTR, count, [count](BSTR* elements) {
                    for (std::size_t index = 0; index < count; ++index)
                        elements[index] = SysAllocString(SampleText(index).c_str());
                });
                return Reader<std::vector<WideString>>(std::move(value), count, read, AppendEachText,
                                                       TextBytes(count));
            }};
}

struct StringList {
    std::vector<old::string> strings;
    RPArray<old::string> pointers;
};

Case StringWriterCase() {
    const auto write = [](const StringList& list, VARIANT& output) {
        FillBSTRSafeArray(output, list.pointers);
    };
    const auto putAll = [](const StringList& list, SAFEARRAY* array) {
        for (std::size_t index = 0; index < list.strings.size(); ++index) {
            BSTR text = SysAllocString(list.strings[index].Text());
            LONG position = static_cast<LONG>(index);
            const HRESULT result = SafeArrayPutElement(array, &position, text);
            SysFreeString(text);
            Check(result);
        }
    };
    return {"strings-write",
            "FillBSTRSafeArray: RPArray<old::string> to VT_ARRAY|VT_BSTR",
            strings,
            false,
            {stringCount},
            [write, putAll](std::size_t count) {
                auto list = std::make_unique<StringList>();
                list->strings.reserve(count);
                for (std::size_t index = 0; index < count; ++index)
                    list->strings.emplace_back(SampleText(index).c_str());
                for (old::string& text : list->strings)
                    list->pointers.Add(&text);
                std::vector<std::byte> characters = TextBytes(count);
                const std::size_t characterCount = characters.size() / sizeof(WCHAR);
                return Writer(std::move(list), WrittenArray{VT_UI2, characterCount, std::move(characters)},
                              WrittenArray{VT_BSTR, count, {}}, write, putAll);
            }};
}

std::vector<Case> MakeCases() {
    std::vector<Case> cases;
    AddNumberReaders<SArray<double>, VT_R8, double>(
        cases, "sarray-double", "CopyVariantToSArray: SArray<double>", DoubleArray, "VT_R8", true,
        [](const VARIANT& value, SArray<double>& numbers) { CopyVariantToSArray(value, numbers); });
    AddNumberReaders<std::vector<double>, VT_R8, double>(
        cases, "vector-double", "CopyVariantToVector: std::vector<double>", DoubleArray, "VT_R8", true,
        [](const VARIANT& value, std::vector<double>& numbers) { CopyVariantToVector(value, numbers); });
    // VT_INT is the target of VARIANT elements here, so VT_I4 elements are converted too.
    AddNumberReaders<std::vector<int>, VT_INT, LONG>(
        cases, "vector-int", "CopyVariantToVector: std::vector<int>", IntegerArray, "VT_I4", false,
        [](const VARIANT& value, std::vector<int>& numbers) { CopyVariantToVector(value, numbers); });

    const std::string points = "FillMbCartPoint3DVector: VT_ARRAY|VT_R8 into std::vector<MbCartPoint3D>, ";
    cases.push_back(PointReaderCase("points-no-matrix", points + "no matrix", pointsAsTheyAre, nullptr));
    cases.push_back(PointReaderCase("points-identity", points + "identity", pointsAsTheyAre,
                                    std::make_shared<const MbMatrix3D>()));
    cases.push_back(PointReaderCase("points-translation", points + "translation", pointsTransformed,
                                    std::make_shared<const MbMatrix3D>(MbMatrix3D::Translation(1, 2, 3))));
    cases.push_back(TransformCase());
    Case matrices = ReaderCase<SArray<MbMatrix3D>>(
        "sarray-matrix3d", "CopyVariantToSArray: VT_ARRAY|VT_R8 into SArray<MbMatrix3D>", pointsTransformed,
        DoubleArray,
        [](const VARIANT& value, SArray<MbMatrix3D>& matrices) { CopyVariantToSArray(value, matrices); },
        AppendEachMatrix, 16);
    matrices.freshOutputUpTo = 1000000;
    cases.push_back(std::move(matrices));

    cases.push_back(WriterCase<SArray<double>>(
        "write-sarray-double", "CopySArrayToVariant: SArray<double> to VT_ARRAY|VT_R8", VT_R8, DoubleSArray,
        DoubleBytes,
        [](const SArray<double>& numbers, VARIANT& output) { CopySArrayToVariant(numbers, output); },
        [](const SArray<double>& numbers, SAFEARRAY* array) {
            PutEach(array, numbers.Count(), [&numbers](std::size_t index) { return numbers[index]; });
        }));
    cases.push_back(WriterCase<std::vector<double>>(
        "write-vector-double", "CopyVectorToVariant: std::vector<double> to VT_ARRAY|VT_R8", VT_R8,
        DoubleVector, DoubleBytes,
        [](const std::vector<double>& numbers, VARIANT& output) { CopyVectorToVariant(numbers, output); },
        [](const std::vector<double>& numbers, SAFEARRAY* array) {
            PutEach(array, numbers.size(), [&numbers](std::size_t index) { return numbers[index]; });
        }));
    cases.push_back(WriterCase<std::vector<bool>>(
        "write-vector-bool", "CopyVectorToVariant: std::vector<bool> to VT_ARRAY|VT_BOOL", VT_BOOL, BitVector,
        [](std::size_t count) {
            return ElementBytes<VARIANT_BOOL>(
                count, [](std::size_t index) { return SampleBit(index) ? VARIANT_TRUE : VARIANT_FALSE; });
        },
        [](const std::vector<bool>& bits, VARIANT& output) { CopyVectorToVariant(bits, output); },
        [](const std::vector<bool>& bits, SAFEARRAY* array) {
            PutEach(array, bits.size(), [&bits](std::size_t index) {
                return static_cast<VARIANT_BOOL>(bits[index] ? VARIANT_TRUE : VARIANT_FALSE);
            });
        }));
    cases.push_back(WriterCase<std::vector<MbCartPoint3D>>(
        "write-points", "FillSafeArray: std::vector<MbCartPoint3D> to VT_ARRAY|VT_R8, no matrix", VT_R8,
        PointVector, DoubleBytes,
        [](const std::vector<MbCartPoint3D>& points, VARIANT& output) {
            FillSafeArray(output, points, nullptr);
        },
        [](const std::vector<MbCartPoint3D>& points, SAFEARRAY* array) {
            PutEach(array, points.size() * 3, [&points](std::size_t index) {
                const MbCartPoint3D& point = points[index / 3];
                return index % 3 == 0 ? point.x : index % 3 == 1 ? point.y : point.z;
            });
        },
        3));

    cases.push_back(StringReaderCase());
    cases.push_back(StringWriterCase());
    return cases;
}

} // namespace

const std::vector<Case>& AllCases() {
    static const std::vector<Case> cases = MakeCases();
    return cases;
}

} // namespace Bench
