// JScript clients: JScript arrays are objects, which the host turns into arrays before the library sees
// them; what the host gives back is a VARIANT array, read through VBArray.
// (support/Assertions.js runs first: check, errorOf, listed, finish.)

check("points", listed(Host.Points([1, 2.5, "3"])), "number:1|number:2.5|number:3");
check("points through a matrix", listed(Host.Points([1, 2, 3], [2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 10, 20, 30, 1])),
      "number:12|number:26|number:42");
var moved = [1, 2, 3, 4, 5, 6];
Host.Move(moved, 10, 20, 30);
check("Move writes into the JScript array", moved.join(","), "11,22,33,14,25,36");
// An array the host returned is a VBArray value: a variable holding one sends a copy, which Move refuses.
var returned = Host.Points([1, 2, 3]);
check("Move of an array the host returned", errorOf(function () { Host.Move(returned, 1, 1, 1); }), "80040201");

// An object as a number: the host reads its value (valueOf), and an error thrown there reaches the script
// as its own, which it can catch; the run goes on.
check("an object's value as the offset", (function () {
    var points = [1, 2, 3];
    Host.Move(points, {valueOf: function () { return 2; }}, 0, 0);
    return points.join(",");
})(), "3,2,3");
check("the script's own error, as its own", descriptionOf(function () {
    Host.Move([1, 2, 3], {valueOf: function () { throw new Error("no offset today"); }}, 0, 0);
}), "no offset today");

// What a script relies on in an error: the method, what was expected, the code of a library error.
check("a refusal says what was expected",
      descriptionOf(function () { Host.Points([1, 2]); }).indexOf("Points expects") === 0, true);
check("a library error names the method and the code",
      /Numbers.*0x80020005/.test(descriptionOf(function () { Host.Numbers([1, "x"]); })), true);
check("numbers", listed(Host.Numbers([0.25, -1, "2", true])), "number:0.25|number:-1|number:2|number:-1");
check("integers", listed(Host.Integers([2.5, 3.5, 40000])), "number:2|number:4|number:40000");
check("flags", listed(Host.Flags([true, false, 0, 7])), "boolean:true|boolean:false|boolean:false|boolean:true");
check("texts", listed(Host.Texts(["Größe", "", "日本"])), "string:Größe|string:|string:日本");
check("no texts", new VBArray(Host.Texts([])).toArray().length, 0);
check("values", listed(Host.Values([1, "x", true, null])), "number:1|string:x|boolean:true|object:null");
var font = new ActiveXObject("StdFont");
font.Name = "Arial";
font.Size = 12;
font.Italic = true;
check("a font", listed(new VBArray(Host.Font([font])).toArray()[0]),
      "string:Arial|number:12|boolean:false|boolean:true|number:0");

// What JScript can send that is no list: the host's own error 0x80040201, never a crash or a hang.
check("a hole", errorOf(function () { Host.Numbers([1, , 3]); }), "80040201");
check("new Array(5), never filled", errorOf(function () { Host.Numbers(new Array(5)); }), "80040201");
check("an object without length", errorOf(function () { Host.Numbers({}); }), "80040201");
check("a huge length", errorOf(function () { Host.Numbers({length: 4294967296}); }), "80040201");
check("a length of a billion, no elements", errorOf(function () { Host.Points({length: 1e9}); }), "80040201");
check("a negative length", errorOf(function () { Host.Numbers({length: -1}); }), "80040201");
check("a fractional length", errorOf(function () { Host.Numbers({length: 1.5}); }), "80040201");
check("a text length", errorOf(function () { Host.Numbers({length: "many"}); }), "80040201");
check("an array-like object", listed(Host.Numbers({length: 2, 0: 5, 1: 6})), "number:5|number:6");
check("an array of arrays", errorOf(function () { Host.Points([[1, 2, 3]]); }), "80040201");
check("null", errorOf(function () { Host.Numbers(null); }), "80040201");
check("undefined", errorOf(function () { Host.Numbers(undefined); }), "80040201");
check("a function of two parameters (length 2)", errorOf(function () { Host.Numbers(function (a, b) {}); }), "80040201");
check("Move on a number", errorOf(function () { Host.Move(5, 1, 2, 3); }), "80040201");
check("null inside", errorOf(function () { Host.Numbers([1, null]); }), "80020005");
check("text inside", errorOf(function () { Host.Numbers([1, "two"]); }), "80020005");
check("beyond 32 bits", errorOf(function () { Host.Integers([4294967296]); }), "8002000A");
check("no arguments", errorOf(function () { Host.Numbers(); }), "8002000E");
check("a name Host does not have", errorOf(function () { Host.Nothing(); }), "800A01B6");

finish("Scripts.js");
