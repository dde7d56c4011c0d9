' Host.Numbers, Integers, Flags, Texts and Values as a VBScript client calls them: the numeric, string
' and value lists round trip, with the coercions and errors a script meets.
' (support/Assertions.vbs runs first: Check, Listed, Finish, and the variables caught and r.)
Option Explicit

' Numbers: Doubles from every number form a script has.
Check "numbers", Listed(Host.Numbers(Array(1, 2.5, "3", True, 40000))), _
    "Double:1|Double:2.5|Double:3|Double:-1|Double:40000"
Dim blanks(2)
Check "Dim a(2): empty elements are zeros", Listed(Host.Numbers(blanks)), "Double:0|Double:0|Double:0"
Check "no numbers", UBound(Host.Numbers(Array())), -1
Dim grown : ReDim grown(0)
grown(0) = 0.25
ReDim Preserve grown(1)
grown(1) = -0.5
Check "ReDim Preserve", Listed(Host.Numbers(grown)), "Double:0.25|Double:-0.5"
On Error Resume Next : r = Host.Numbers(Array(1, Null)) : caught = Err.Number : On Error GoTo 0
Check "Null", Hex(caught), "80020005"
On Error Resume Next : r = Host.Numbers(Array("1,5x")) : caught = Err.Number : On Error GoTo 0
Check "non-numeric text", Hex(caught), "80020005"

' Integers: Longs (VT_I4); halves round to even, beyond 32 bits overflows.
Check "integers", Listed(Host.Integers(Array(1, 40000, "12", 2.5, 3.5, -2.5, True))), _
    "Long:1|Long:40000|Long:12|Long:2|Long:4|Long:-2|Long:-1"
Check "the largest", Listed(Host.Integers(Array(2147483647, -2147483648))), "Long:2147483647|Long:-2147483648"
On Error Resume Next : r = Host.Integers(Array(1, 2147483648)) : caught = Err.Number : On Error GoTo 0
Check "beyond 32 bits", Hex(caught), "8002000A"
On Error Resume Next : r = Host.Integers(Array("seven")) : caught = Err.Number : On Error GoTo 0
Check "text that is no number", Hex(caught), "80020005"

' Flags: Booleans; any non-zero number is True, and so is the text "True" in any case.
Check "flags", Listed(Host.Flags(Array(True, False, 0, 5, -0.5, "TRUE", "false", "0"))), _
    "Boolean:True|Boolean:False|Boolean:False|Boolean:True|Boolean:True|Boolean:True|Boolean:False|Boolean:False"
On Error Resume Next : r = Host.Flags(Array("yes")) : caught = Err.Number : On Error GoTo 0
Check "yes is no boolean", Hex(caught), "80020005"
On Error Resume Next : r = Host.Flags(Array(Null)) : caught = Err.Number : On Error GoTo 0
Check "Null is no boolean", Hex(caught), "80020005"

' Texts: Unicode text written in this UTF-8 file, empty strings, numbers in their text form.
Check "texts", Listed(Host.Texts(Array("door", "", "Größe 3×4 €", "日本"))), _
    "String:door|String:|String:Größe 3×4 €|String:日本"
r = Host.Texts(Array("Größe 3×4 €")) ' Wine's VBScript cannot index a call's result in place
Check "a text's length in characters", Len(r(0)), 11
Check "numbers as text", Listed(Host.Texts(Array(7, 2.5, -1))), "String:7|String:2.5|String:-1"
Dim names(1)
names(0) = "left"
Check "Dim a(1): an empty element is an empty text", Listed(Host.Texts(names)), "String:left|String:"
Check "no texts", UBound(Host.Texts(Array())), -1
On Error Resume Next : r = Host.Texts(Array("a", Null)) : caught = Err.Number : On Error GoTo 0
Check "Null has no text", Hex(caught), "80020005"

' Values: every value comes back as it was sent, an array inside included.
Check "values", Listed(Host.Values(Array(1, 40000, 2.5, "x", True, Empty, Null))), _
    "Integer:1|Long:40000|Double:2.5|String:x|Boolean:True|Empty:|Null:"
r = Host.Values(Array(Array(1, "two"), 3))
Check "an array inside", TypeName(r(0)) & ":" & Listed(r(0)) & ";" & Listed(Array(r(1))), _
    "Variant():Integer:1|String:two;Integer:3"
Check "one value", Listed(Host.Values("single")), "String:single"
Dim list : list = Array(True, "y")
Check "a variable", Listed(Host.Values(list)), "Boolean:True|String:y"
Dim table(1, 1)
On Error Resume Next : r = Host.Values(table) : caught = Err.Number : On Error GoTo 0
Check "Dim a(1, 1)", Hex(caught), "80040201"

Finish "Lists.vbs"
