// Every family called from several threads at once on shared inputs, while another thread turns the
// kernel's exception switch on and off: every call must give what it gives alone, and the ThreadSanitizer
// build (scripts/test --tsan) must find no data race in the library or its stand-ins.
#include <WindowsUtils.h>
#include <olectl.h>

#include "support/ArrayValues.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

using TestSupport::ElementsOf;

namespace {

TEST(Concurrency, EveryFamilyFromSeveralThreadsAtOnce) {
    const ScopedExceptionMode restored(false);
    // Read by every worker at the same time.
    const _variant_t numbers = TestSupport::DoubleArray({1, 2, 3, 4, 5, 6});
    const _variant_t mixed = TestSupport::VariantArray({1L, OLESTR("2"), 3.0f, 4.0, OLESTR("5"), 6L});
    const MbMatrix3D shift = MbMatrix3D::Translation(10, 0, 0);
    const auto round = [&](const _variant_t& font) {
        SArray<double> doubles;
        EXPECT_TRUE(CopyVariantToSArray(numbers, doubles));
        std::vector<int> integers;
        CopyVariantToVector(mixed, integers);
        EXPECT_EQ(integers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
        _variant_t written;
        EXPECT_TRUE(CopySArrayToVariant(doubles, written));
        EXPECT_EQ(ElementsOf<double>(written), (std::vector<double>{1, 2, 3, 4, 5, 6}));
        std::vector<MbCartPoint3D> points;
        EXPECT_TRUE(FillMbCartPoint3DVector(mixed, points, &shift));
        EXPECT_EQ(points, (std::vector<MbCartPoint3D>{{11, 2, 3}, {14, 5, 6}}));
        _variant_t own = TestSupport::DoubleArray({0, 0, 0});
        EXPECT_TRUE(TransformPoints(own, shift) &&
                    ElementsOf<double>(own) == (std::vector<double>{10, 0, 0}));
        _variant_t spacePoints; // writers take an empty output
        EXPECT_TRUE(FillSafeArray(spacePoints, points, nullptr));
        MbMatrix3D matrix;
        EXPECT_FALSE(CopyVariantToMbMatrix3D(numbers, matrix));
        PArray<old::string> strings;
        EXPECT_TRUE(FillStrArray(mixed, strings) && strings.Count() == 6);
        _variant_t texts;
        EXPECT_TRUE(FillBSTRSafeArray(texts, strings));
        std::vector<WideString> wide;
        FillVectorToStrArray(texts, wide);
        EXPECT_EQ(wide, (std::vector<WideString>{OLESTR("1"), OLESTR("2"), OLESTR("3"), OLESTR("4"),
                                                 OLESTR("5"), OLESTR("6")}));
        PArray<_variant_t> values;
        EXPECT_TRUE(CopyVariantToSArray(mixed, values) && values.Count() == 6);
        std::vector<zfont::FontParams> fonts;
        EXPECT_TRUE(CopyVariantToFontParamsVector(font, fonts) && fonts.size() == 1 && fonts[0].bold);
        // The kernel's capacity rule asks the exception switch when a capacity cannot be had.
        try {
            EXPECT_FALSE(doubles.SetCapacity((std::numeric_limits<std::uint64_t>::max)() / 2, false));
        } catch (const std::bad_alloc&) {
        }
    };
    std::atomic<bool> working{true};
    std::thread switcher([&working] {
        for (bool enabled = true; working.load(); enabled = !enabled)
            ExceptionMode::Enable(enabled);
    });
    std::vector<std::thread> workers;
    for (int worker = 0; worker < 4; ++worker)
        workers.emplace_back([&round] {
            // A font object belongs to its thread, as COM objects of this kind do.
            OLECHAR name[] = OLESTR("Arial");
            FONTDESC description{sizeof(FONTDESC), name, {}, 700, 0, FALSE, FALSE, FALSE};
            description.cySize.int64 = 120000;
            void* object = nullptr;
            EXPECT_EQ(OleCreateFontIndirect(&description, IID_IDispatch, &object), S_OK);
            const _variant_t font(static_cast<IDispatch*>(object), false);
            for (int repeat = 0; repeat < 100; ++repeat)
                round(font);
        });
    for (std::thread& worker : workers)
        worker.join();
    working.store(false);
    switcher.join();
    TestSupport::ExpectUnlocked(numbers);
    TestSupport::ExpectUnlocked(mixed);
}

} // namespace
