// A JScript client in a process of its own (cscript): it creates the automation host as a local server.
// JScript arrays are objects: they cross as proxies, and the host reads and writes their elements by
// calling back into this process. What the host gives back is a VARIANT array, read through VBArray.
// cscript hides a script's own errors, so the closing line is what the test looks for. Its one argument
// is the server's ProgID, as the build defines it.
var Host = new ActiveXObject(WScript.Arguments(0));

// The assertions the in-process tests use (check, errorOf, listed): cscript runs one file, so this one
// reads them in. Its own closing line stands at the end, since cscript hides the error finish would raise.
var files = new ActiveXObject("Scripting.FileSystemObject");
eval(files.OpenTextFile(files.BuildPath(files.GetParentFolderName(WScript.ScriptFullName),
                                        "..\\support\\Assertions.js")).ReadAll());

check("points", listed(Host.Points([1, 2.5, "3"])), "number:1|number:2.5|number:3");
check("points through a translation by (10, 20, 30)",
      listed(Host.Points([1, 2, 3], [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1])),
      "number:11|number:22|number:33");
var moved = [1, 2, 3, 4, 5, 6];
Host.Move(moved, 10, 20, 30);
check("Move writes into the client's JScript array", moved.join(","), "11,22,33,14,25,36");
check("numbers", listed(Host.Numbers([0.25, -1, "2", true])), "number:0.25|number:-1|number:2|number:-1");
check("integers round half to even", listed(Host.Integers([2.5, 3.5, 40000])), "number:2|number:4|number:40000");
check("flags", listed(Host.Flags([true, false, 0, 7])), "boolean:true|boolean:false|boolean:false|boolean:true");
check("texts", listed(Host.Texts(["Gr\u00F6\u00DFe", "", "\u65E5\u672C"])),
      "string:Gr\u00F6\u00DFe|string:|string:\u65E5\u672C");
check("values", listed(Host.Values([1, "x", 2.5, true, null])),
      "number:1|string:x|number:2.5|boolean:true|object:null");

check("text that is no number", errorOf(function () { Host.Numbers([1, "abc"]); }), "80020005");
check("beyond 32 bits", errorOf(function () { Host.Integers([3e9]); }), "8002000A");
check("two numbers", errorOf(function () { Host.Points([1, 2]); }), "80040201");
// What a script relies on in a refusal: the method and what was expected first, then what arrived.
check("two numbers: the description", /^Points expects .*three per point.*2 elements/.test(
      descriptionOf(function () { Host.Points([1, 2]); })), true);
var holed = [1, 2, 3];
holed[4] = 5;
check("an array with a hole", errorOf(function () { Host.Points(holed); }), "80040201");

// A list sent by value never comes back: Move refuses it.
var returned = Host.Points([1, 2, 3]);
check("Move of an array the host returned", errorOf(function () { Host.Move(returned, 1, 1, 1); }), "80040201");

// 10 points: the host reads each element by calling back into this process (two calls, about 7 ms each
// under Wine) and writes each back the same way, so JScript arrays stay small here.
var many = [];
for (var index = 0; index < 30; index++)
    many.push(index);
var back = new VBArray(Host.Points(many)).toArray(), wrong = 0;
for (var index = 0; index < 30; index++)
    if (back[index] !== index)
        wrong++;
check("10 points: count", back.length, 30);
check("10 points: numbers that differ", wrong, 0);
Host.Move(many, 1, 2, 3);
wrong = 0;
for (var index = 0; index < 30; index++)
    if (many[index] !== index + index % 3 + 1)
        wrong++;
check("10 points moved in the client's array: numbers that differ", wrong, 0);

WScript.Echo("JScript client: " + cases + " cases, " + failures + " failed");
