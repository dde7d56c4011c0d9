#include <WindowsUtilsHostKit.h>

#include <gtest/gtest.h>

#include "Narrow.h"

#include "support/ArrayValues.h"
#include "support/CountingObject.h"
#include "support/ScriptArrayObject.h"

#include <cstdint>
#include <string>
#include <tuple>

using namespace HostKit;
using TestSupport::DoubleArray;
using TestSupport::VariantArray;

namespace {

VARIANT Reference(VARIANT* target) {
    VARIANT reference{};
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = target;
    return reference;
}

} // namespace

// What a script sends, and what the view hands the library: arrays where they stand (the same SAFEARRAY),
// by-reference scalars as copies, the caller reached only through a reference.
TEST(ArgumentView, FollowsReferencesAndViewsArraysWhereTheyStand) {
    _variant_t list = VariantArray({1.0, 2.0, 3.0});
    _variant_t number(2.5);
    _variant_t text(OLESTR("door"));
    SAFEARRAY* fixedArray = list.parray;
    VARIANT fixed{}; // Dim a(2): a by-reference array one level below the variable
    fixed.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
    fixed.pparray = &fixedArray;
    VARIANT variable = Reference(&list);
    VARIANT twice = Reference(&variable);
    VARIANT fixedVariable = Reference(&fixed);
    LONG integer = 40000;
    VARIANT integerReference{};
    integerReference.vt = VT_BYREF | VT_I4;
    integerReference.plVal = &integer;
    VARIANT textReference{};
    textReference.vt = VT_BYREF | VT_BSTR;
    textReference.pbstrVal = &text.bstrVal;

    const std::tuple<const char*, VARIANT*, VARTYPE, SAFEARRAY*, bool> rows[] = {
        {"a literal array", &list, VT_ARRAY | VT_VARIANT, list.parray, false},
        {"a variable", &variable, VT_ARRAY | VT_VARIANT, list.parray, true},
        {"a variable of a variable", &twice, VT_ARRAY | VT_VARIANT, list.parray, true},
        {"a fixed array", &fixedVariable, VT_ARRAY | VT_VARIANT, list.parray, true},
        {"a number", &number, VT_R8, nullptr, false},
        {"a by-reference Long", &integerReference, VT_I4, nullptr, false},
        {"a by-reference String", &textReference, VT_BSTR, nullptr, false},
    };
    for (const auto& [name, argument, type, array, reaches] : rows) {
        ArgumentView view(*argument, OLESTR("Test"));
        EXPECT_EQ(std::tuple(view.Value().vt, (type & VT_ARRAY) ? view.Value().parray : nullptr,
                             view.ReachesCaller()),
                  std::tuple(type, array, reaches))
            << name;
    }
    ArgumentView integerView(integerReference, OLESTR("Test"));
    integer = 1; // a copy: the view keeps the value it was made with
    EXPECT_EQ(integerView.Value().lVal, 40000);
    ArgumentView textView(textReference, OLESTR("Test"));
    EXPECT_NE(textView.Value().bstrVal, text.bstrVal);
    EXPECT_EQ(WideString(textView.Value().bstrVal), WideString(OLESTR("door")));
}

// An in-place change through the view lands in the caller's array.
TEST(ArgumentView, InPlaceChangesReachTheCallersArray) {
    _variant_t list = DoubleArray({1, 2, 3});
    VARIANT variable = Reference(&list);
    ArgumentView view(variable, OLESTR("Move"));
    ASSERT_TRUE(TransformPoints(view.Value(), MbMatrix3D::Translation(10, 20, 30)));
    const double* moved = static_cast<const double*>(list.parray->pvData);
    EXPECT_EQ(std::tuple(moved[0], moved[1], moved[2]), std::tuple(11.0, 22.0, 33.0));
}

// A reference chain that never ends (a cycle) and a record's reference are refused; a null reference is left
// for the check to name.
TEST(ArgumentView, EndlessAndNullReferences) {
    VARIANT cycle{};
    cycle.vt = VT_BYREF | VT_VARIANT;
    cycle.pvarVal = &cycle;
    try {
        ArgumentView view(cycle, OLESTR("Points"));
        ADD_FAILURE() << "a cycle was followed";
    } catch (const Refusal& refusal) {
        EXPECT_EQ(Narrow(refusal.Description()),
                  "Points expects a value, not a chain of more than 16 references");
    }
    // A record's reference: what lies behind it (here nothing readable) is never touched.
    VARIANT record{};
    record.vt = VT_BYREF | VT_ARRAY | VT_RECORD;
    record.byref = reinterpret_cast<void*>(std::uintptr_t{0x9fff8000});
    try {
        ArgumentView view(record, OLESTR("Points"));
        ADD_FAILURE() << "a record's reference was followed";
    } catch (const Refusal& refusal) {
        EXPECT_EQ(Narrow(refusal.Description()), "Points expects numbers, texts or objects, not records");
    }
    VARIANT null = Reference(nullptr);
    ArgumentView view(null, OLESTR("Points"));
    EXPECT_EQ(view.Value().vt, VT_BYREF | VT_VARIANT);
    EXPECT_EQ(Check(view.Value(), Reads::points3D)->reason, Mismatch::Reason::byReference);
}

// A JScript array becomes an array value; its elements go back with WriteBack, and the object's
// references are balanced afterwards.
TEST(ArgumentView, ScriptArrayIsReadAndWrittenBack) {
    ScriptArrayObject object({_variant_t(1.0), _variant_t(OLESTR("2")), _variant_t(3L)});
    _variant_t argument(static_cast<IDispatch*>(&object));
    {
        ArgumentView view(argument, OLESTR("Move"));
        ASSERT_EQ(view.Value().vt, VT_ARRAY | VT_VARIANT);
        EXPECT_TRUE(view.ReachesCaller());
        ASSERT_EQ(view.Value().parray->rgsabound[0].cElements, 3u);
        ASSERT_TRUE(TransformPoints(view.Value(), MbMatrix3D::Translation(1, 1, 1)));
        view.WriteBack();
    }
    EXPECT_EQ(std::tuple(object.elements[0].vt, object.elements[0].dblVal, object.elements[1].dblVal,
                         object.elements[2].dblVal),
              std::tuple(VT_R8, 2.0, 3.0, 4.0));
    argument.Clear();
    EXPECT_EQ(object.references(), 1);
}

// Lying lengths and holes are refused at the first missing element, whatever the length promised; a
// length that is no whole number is refused before any element is asked for; a read that raises passes
// the object's own error on; an object without `length` stays an object.
TEST(ArgumentView, ScriptArrayRefusals) {
    const std::tuple<const char*, _variant_t, DISPID, DISPID, const char*, std::size_t> rows[] = {
        // name, length, hole, failing read, description, most look-ups
        {"a length of a billion", _variant_t(1e9), -1, -1,
         "Points expects a script array without holes; element 3 was never set", 5},
        {"a hole", _variant_t(3.0), 1, -1,
         "Points expects a script array without holes; element 1 was never set", 3},
        {"a negative length", _variant_t(-1.0), -1, -1,
         "Points expects a script array whose length is a whole number from 0 to 2147483647", 1},
        {"half an element", _variant_t(2.5), -1, -1,
         "Points expects a script array whose length is a whole number from 0 to 2147483647", 1},
        {"a length of 2^31", _variant_t(2147483648.0), -1, -1,
         "Points expects a script array whose length is a whole number from 0 to 2147483647", 1},
        {"a length in words", _variant_t(OLESTR("three")), -1, -1,
         "Points expects a script array whose length is a whole number from 0 to 2147483647", 1},
    };
    for (const auto& [name, length, hole, failing, description, lookUps] : rows) {
        ScriptArrayObject object({_variant_t(1.0), _variant_t(2.0), _variant_t(3.0)});
        object.length = length;
        object.elements.erase(hole);
        _variant_t argument(static_cast<IDispatch*>(&object));
        try {
            ArgumentView view(argument, OLESTR("Points"));
            ADD_FAILURE() << name << ": taken";
        } catch (const Refusal& refusal) {
            EXPECT_EQ(Narrow(refusal.Description()), description) << name;
        }
        EXPECT_LE(object.lookUps, lookUps) << name;
        argument.Clear();
        EXPECT_EQ(object.references(), 1) << name;
    }

    // The object's own error, raised while an element is read, reaches the script as it was raised.
    ScriptArrayObject raising({_variant_t(1.0), _variant_t(2.0)});
    raising.failingRead = 1;
    _variant_t argument(static_cast<IDispatch*>(&raising));
    try {
        ArgumentView view(argument, OLESTR("Points"));
        ADD_FAILURE() << "a raising read was taken";
    } catch (const Refusal& refusal) {
        EXPECT_EQ(std::tuple(refusal.Code(), Narrow(refusal.Description())),
                  std::tuple(E_ACCESSDENIED, std::string("the script's own error")));
    }

    CountingObject plain;
    _variant_t object(static_cast<IDispatch*>(&plain));
    ArgumentView view(object, OLESTR("Font"));
    EXPECT_EQ(std::tuple(view.Value().vt, view.Value().pdispVal, view.ReachesCaller()),
              std::tuple(VT_DISPATCH, static_cast<IDispatch*>(&plain), false));
}
