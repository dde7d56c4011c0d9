// The README's PolylineHost from JScript: arrays are objects here, read element by element; a result
// is a VARIANT array, which JScript reads through VBArray.
function expect(name, actual, expected) {
    if (actual !== expected)
        throw new Error(name + ": " + actual + ", not " + expected);
}
function polyline() {
    return new VBArray(Host.GetPolyline()).toArray().join(",");
}
function failure(call) {
    try {
        call();
    } catch (error) {
        return {number: (error.number >>> 0).toString(16).toUpperCase(), description: error.description};
    }
    return {number: "none", description: ""};
}

expect("no polyline yet", polyline(), "");
Host.SetPolyline([0, 0, 0, 1, 2.5, "3"]);
expect("an array", polyline(), "0,0,0,1,2.5,3");
var points = [7, 8, 9];
Host.SetPolyline(points);
expect("a variable", polyline(), "7,8,9");

var four = failure(function () { Host.SetPolyline([1, 2, 3, 4]); });
expect("four numbers: the host's code", four.number, "80040201");
expect("four numbers: why", four.description, "SetPolyline expects a one-dimensional array of numbers, three per point; " +
       "it received an array of 4 elements, not a multiple of 3");
var holed = failure(function () { Host.SetPolyline([1, , 3]); });
expect("a hole", holed.description, "SetPolyline expects a script array without holes; element 1 was never set");
expect("a billion promised", failure(function () { Host.SetPolyline({length: 1e9}); }).number, "80040201");
expect("a text that is no number", failure(function () { Host.SetPolyline([1, 2, "three"]); }).number, "80020005");
expect("a failed read keeps the polyline", polyline(), "7,8,9");

WScript.Echo("Polyline.js: ok");
