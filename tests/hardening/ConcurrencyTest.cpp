// Every family called from several threads at once, each on arguments of its own and all reading the
// same inputs, while another thread turns the kernel's exception switch on and off and the workers read
// it. The library keeps no state, so every call must give what it gives alone; the ThreadSanitizer build
// (scripts/test --tsan) proves there is no data race in the library or its stand-ins.
#include <WindowsUtils.h>
#include <olectl.h>

#include "support/ArrayValues.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

using TestSupport::DoubleArray;
using TestSupport::VariantArray;

namespace {

constexpr int workerCount = 4;
constexpr int rounds = 100;

// The inputs every worker reads at the same time; readers only lock and read them.
struct SharedInputs {
    _variant_t numbers = DoubleArray({1, 2, 3, 4, 5, 6});
    _variant_t mixed = VariantArray({_variant_t(1L), _variant_t(OLESTR("2")), _variant_t(3.0f),
                                     _variant_t(4.0), _variant_t(OLESTR("5")), _variant_t(6L)});
    MbMatrix3D shift = MbMatrix3D::Translation(10, 0, 0);
};

_variant_t NewFont() {
    OLECHAR name[] = OLESTR("Arial");
    FONTDESC description{};
    description.cbSizeofstruct = sizeof(FONTDESC);
    description.lpstrName = name;
    description.cySize.int64 = 120000;
    description.sWeight = 700;
    void* font = nullptr;
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IDispatch, &font), S_OK);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = static_cast<IDispatch*>(font);
    return _variant_t(value, false);
}

// The kernel's capacity rule asks the switch when a capacity cannot be had.
void ReadExceptionSwitch() {
    SArray<double> array;
    try {
        EXPECT_FALSE(array.SetCapacity(std::numeric_limits<std::uint64_t>::max() / 2, false));
    } catch (const std::bad_alloc&) {
    }
}

void NumericRound(const SharedInputs& shared) {
    SArray<double> numbers;
    EXPECT_TRUE(CopyVariantToSArray(shared.numbers, numbers));
    EXPECT_EQ(numbers.Count(), 6u);
    std::vector<int> integers;
    CopyVariantToVector(shared.mixed, integers);
    EXPECT_EQ(integers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    _variant_t written;
    EXPECT_TRUE(CopySArrayToVariant(numbers, written));
    EXPECT_EQ(TestSupport::ElementsOf<double>(written), (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

void GeometryRound(const SharedInputs& shared) {
    std::vector<MbCartPoint3D> points;
    EXPECT_TRUE(FillMbCartPoint3DVector(shared.mixed, points, &shared.shift));
    EXPECT_EQ(points, (std::vector<MbCartPoint3D>{{11, 2, 3}, {14, 5, 6}}));
    _variant_t own = DoubleArray({0, 0, 0});
    EXPECT_TRUE(TransformPoints(own, shared.shift));
    EXPECT_EQ(TestSupport::ElementsOf<double>(own), (std::vector<double>{10, 0, 0}));
    _variant_t written;
    EXPECT_TRUE(FillSafeArray(written, points, nullptr));
    MbMatrix3D matrix;
    EXPECT_FALSE(CopyVariantToMbMatrix3D(shared.numbers, matrix));
}

void ListRound(const SharedInputs& shared) {
    PArray<old::string> strings;
    EXPECT_TRUE(FillStrArray(shared.mixed, strings));
    ASSERT_EQ(strings.Count(), 6u);
    EXPECT_EQ(WideString(strings[1]->Text()), WideString(OLESTR("2")));
    _variant_t texts;
    EXPECT_TRUE(FillBSTRSafeArray(texts, strings));
    std::vector<WideString> wide;
    FillVectorToStrArray(texts, wide);
    EXPECT_EQ(wide.size(), 6u);
    PArray<_variant_t> values;
    EXPECT_TRUE(CopyVariantToSArray(shared.mixed, values));
    EXPECT_EQ(values.Count(), 6u);
}

void FontRound(const _variant_t& font) {
    std::vector<zfont::FontParams> fonts;
    EXPECT_TRUE(CopyVariantToFontParamsVector(font, fonts));
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_TRUE(fonts[0].bold);
}

TEST(Concurrency, EveryFamilyFromSeveralThreadsAtOnce) {
    const ScopedExceptionMode restored(false);
    const SharedInputs shared;
    std::atomic<bool> working{true};
    std::thread switcher([&working] {
        for (bool enabled = true; working.load(); enabled = !enabled)
            ExceptionMode::Enable(enabled);
    });
    std::vector<std::thread> workers;
    for (int worker = 0; worker < workerCount; ++worker)
        workers.emplace_back([&shared] {
            // A font object belongs to its thread, as COM objects of this kind do.
            const _variant_t font = NewFont();
            for (int round = 0; round < rounds; ++round) {
                NumericRound(shared);
                GeometryRound(shared);
                ListRound(shared);
                FontRound(font);
                ReadExceptionSwitch();
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    working.store(false);
    switcher.join();
    TestSupport::ExpectUnlocked(shared.numbers);
    TestSupport::ExpectUnlocked(shared.mixed);
}

} // namespace
