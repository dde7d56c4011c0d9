' Host.Points and Host.Move as a VBScript client calls them: literal arrays, variables (sent by
' reference), fixed and resized arrays, a matrix of 16 numbers, and values the host or library refuses.
' (support/Assertions.vbs runs first: Check, Listed, Finish, and the variables caught and r.)
Option Explicit

' Literals: Integer (VT_I2), Double, numeric text and booleans, each coerced to a Double.
Check "mixed literals", Listed(Host.Points(Array(1, 2.5, "3"))), "Double:1|Double:2.5|Double:3"
Check "integers", Listed(Host.Points(Array(1, -2, 3, 40000, 5, 6))), _
    "Double:1|Double:-2|Double:3|Double:40000|Double:5|Double:6"
Check "booleans", Listed(Host.Points(Array(True, False, True))), "Double:-1|Double:0|Double:-1"
Check "numeric text", Listed(Host.Points(Array(" 1.5", "2e1", "&H10"))), "Double:1.5|Double:20|Double:16"
Check "the result starts at 0", LBound(Host.Points(Array(7, 8, 9))), 0

' A variable arrives by reference, a fixed array one level deeper.
Dim list : list = Array(4, 5, 6)
Check "a variable", Listed(Host.Points(list)), "Double:4|Double:5|Double:6"
Check "a variable is left as it was", Listed(list), "Integer:4|Integer:5|Integer:6"
Dim fixed(5)
Check "Dim a(5): empty elements are zeros", Listed(Host.Points(fixed)), _
    "Double:0|Double:0|Double:0|Double:0|Double:0|Double:0"
fixed(0) = 1 : fixed(4) = "2"
Check "Dim a(5) partly set", Listed(Host.Points(fixed)), "Double:1|Double:0|Double:0|Double:0|Double:2|Double:0"
Dim grown : ReDim grown(2)
grown(0) = 1 : grown(1) = 2 : grown(2) = 3
ReDim Preserve grown(5)
grown(3) = 4 : grown(4) = 5.5 : grown(5) = 6
Check "ReDim Preserve", Listed(Host.Points(grown)), "Double:1|Double:2|Double:3|Double:4|Double:5.5|Double:6"

' A matrix as 16 numbers row by row; points are rows multiplied by it, so the translation is the last row.
Check "scaling matrix", Listed(Host.Points(Array(1, 1, 1, 1, 2, 3), _
    Array(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1))), "Double:2|Double:3|Double:4|Double:2|Double:6|Double:12"
Check "scaling and translation", Listed(Host.Points(Array(1, 2, 3), _
    Array(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 10, 20, 30, 1))), "Double:12|Double:26|Double:42"

' Refusals: the host's own code 0x80040201; values without a number: the library's DISP_E_TYPEMISMATCH.
On Error Resume Next : r = Host.Points(Array(1, 2)) : caught = Err.Number : On Error GoTo 0
Check "two numbers", Hex(caught), "80040201"
On Error Resume Next : r = Host.Points(Array()) : caught = Err.Number : On Error GoTo 0
Check "no numbers", Hex(caught), "80040201"
Dim table(2, 3)
On Error Resume Next : r = Host.Points(table) : caught = Err.Number : On Error GoTo 0
Check "Dim a(2, 3)", Hex(caught), "80040201"
On Error Resume Next : r = Host.Points(Array(Array(1, 2, 3))) : caught = Err.Number : On Error GoTo 0
Check "an array of arrays", Hex(caught), "80040201"
On Error Resume Next : r = Host.Points(Array(1, 2, 3), Array(1, 2, 3)) : caught = Err.Number : On Error GoTo 0
Check "a matrix of 3 numbers", Hex(caught), "80040201"
On Error Resume Next : r = Host.Points(Array(1, Null, 3)) : caught = Err.Number : On Error GoTo 0
Check "Null", Hex(caught), "80020005"
On Error Resume Next : r = Host.Points(Array(1, "two", 3)) : caught = Err.Number : On Error GoTo 0
Check "non-numeric text", Hex(caught), "80020005"
On Error Resume Next : r = Host.Points(Array(1, 2, 3), Array(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, "x", 1)) : caught = Err.Number : On Error GoTo 0
Check "a matrix with text", Hex(caught), "80020005"
' What a script relies on in an error: the host as its source, the method and what was expected.
On Error Resume Next : r = Host.Points(Array(1, "two", 3)) : TakeError : On Error GoTo 0
Check "a library error: the source", errorSource, hostProgId
Check "a library error names the method and the code", _
    InStr(errorDescription, "Points") > 0 And InStr(errorDescription, "0x80020005") > 0, True
On Error Resume Next : r = Host.Points(Array(1, 2)) : TakeError : On Error GoTo 0
Check "a refusal: the source", errorSource, hostProgId
Check "a refusal says what was expected", _
    InStr(errorDescription, "Points expects") = 1 And InStr(errorDescription, "three per point") > 0, True
Check "a refusal says what arrived", InStr(errorDescription, "2 elements") > 0, True

' Move: the caller's own variable holds the moved numbers, as Doubles.
Dim moved : moved = Array(1, 2, 3, 4, 5, 6)
Host.Move moved, 10, 20, 30
Check "Move a variable", Listed(moved), "Double:11|Double:22|Double:33|Double:14|Double:25|Double:36"
Dim fixedMoved(2)
fixedMoved(0) = 1 : fixedMoved(1) = 2
Host.Move fixedMoved, 0.5, "1", True
Check "Move a fixed array", Listed(fixedMoved), "Double:1.5|Double:3|Double:-1"
Sub MoveInside(points)
    Host.Move points, 1, 1, 1
End Sub
Dim passedOn : passedOn = Array(0, 0, 0)
MoveInside passedOn
Check "Move through a ByRef parameter", Listed(passedOn), "Double:1|Double:1|Double:1"
' A list sent by value is a copy the caller never sees again: Move refuses it rather than move nothing.
Dim copied : copied = Array(1, 2, 3)
On Error Resume Next : Host.Move (copied), 1, 1, 1 : TakeError : On Error GoTo 0
Check "Move (x) is refused", Hex(errorNumber), "80040201"
Check "Move (x) says why", InStr(errorDescription, "by value") > 0, True
Check "Move (x) leaves the variable", Listed(copied), "Integer:1|Integer:2|Integer:3"
On Error Resume Next : Host.Move Array(1, 2, 3), 1, 1, 1 : caught = Err.Number : On Error GoTo 0
Check "Move of a literal array is refused", Hex(caught), "80040201"
On Error Resume Next : Host.Move Host.Points(copied), 1, 1, 1 : caught = Err.Number : On Error GoTo 0
Check "Move of a result never stored is refused", Hex(caught), "80040201"

' A script object as a number: the host reads its default value, and an error the script raises there
' reaches the script as its own, which it can handle; the run goes on.
Class Offset
    Public Amount
    Public Fails
    Public Default Property Get Value
        If Fails Then Err.Raise vbObjectError + 77, "Offset", "no offset today"
        Value = Amount
    End Property
End Class
Dim offset : Set offset = New Offset
offset.Amount = 2
Dim shifted : shifted = Array(1, 2, 3)
Host.Move shifted, offset, 0, 0
Check "an object's default value as the offset", Listed(shifted), "Double:3|Double:2|Double:3"
offset.Fails = True
On Error Resume Next : Host.Move shifted, offset, 0, 0 : TakeError : On Error GoTo 0
Check "the script's own error, as its own", Hex(errorNumber) & " " & errorSource & " " & errorDescription, _
    Hex(vbObjectError + 77) & " Offset no offset today"
Check "an object that raised leaves the array", Listed(shifted), "Double:3|Double:2|Double:3"
On Error Resume Next : Host.Move copied, "far", 0, 0 : caught = Err.Number : On Error GoTo 0
Check "Move by a text", Hex(caught), "80020005"
Check "a refused Move leaves the array", Listed(copied), "Integer:1|Integer:2|Integer:3"
On Error Resume Next : Host.Move copied, 1, 1 : caught = Err.Number : On Error GoTo 0
Check "Move with three arguments: VBScript's own error 450", caught, 450

' 100,000 points built by a script loop, read back and moved.
Dim many, i : ReDim many(299999)
For i = 0 To 299999
    many(i) = i
Next
r = Host.Points(many)
Check "100,000 points: count", UBound(r), 299999
Check "100,000 points: values", r(0) & "|" & r(150001) & "|" & r(299999), "0|150001|299999"
Check "timing: the library's share of reading 100,000 points is above 0", Host.LastLibrarySeconds > 0, True
Host.Move many, 1, 0, -1
Check "100,000 points moved", many(0) & "|" & many(1) & "|" & many(2) & "|" & many(299999), "1|1|1|299998"

Finish "Points.vbs"
