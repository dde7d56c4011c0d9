// The client tests' assertions, run before each JScript test file in the same engine: a failing case is
// printed and counted, and finish throws when any failed, so that the run (and the test) fails.
var failures = 0, cases = 0;

function check(name, actual, expected) {
    cases++;
    if (actual !== expected) {
        failures++;
        WScript.Echo("FAIL " + name + ": got [" + actual + "], expected [" + expected + "]");
    }
}

// The HRESULT a call raises, as an unsigned hexadecimal number ("0" when it raises nothing).
function errorOf(call) {
    try {
        call();
        return "0";
    } catch (error) {
        return (error.number >>> 0).toString(16).toUpperCase();
    }
}

// The description of the error a call raises.
function descriptionOf(call) {
    try {
        call();
        return "";
    } catch (error) {
        return error.description;
    }
}

// A VARIANT array's elements as "type:value|...".
function listed(result) {
    var values = new VBArray(result).toArray(), text = [];
    for (var index = 0; index < values.length; index++)
        text.push(typeof values[index] + ":" + values[index]);
    return text.join("|");
}

function finish(group) {
    if (failures > 0)
        throw new Error(group + ": " + failures + " of " + cases + " cases failed");
    if (cases === 0)
        throw new Error(group + ": no case ran");
    WScript.Echo(group + ": " + cases + " cases passed");
}
