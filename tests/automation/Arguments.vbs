' Bad input from a VBScript client: every list method meets Nothing, Null, Empty, a scalar, nested and
' two-dimensional arrays and wrong argument counts, and answers with an error, never a crash or a hang.
' (support/Assertions.vbs runs first: Check, Listed, Finish, and the variables caught and r.)
Option Explicit

' Each shape, sent to each list method, gives the host's own error 0x80040201. (Wine's VBScript has no
' Eval, and its TypeName crashes on Nothing, so the calls go through a Select and Nothing is tested with Is.)
Function CallMethod(method, value)
    Select Case method
        Case "Points": CallMethod = Host.Points(value)
        Case "Numbers": CallMethod = Host.Numbers(value)
        Case "Integers": CallMethod = Host.Integers(value)
        Case "Flags": CallMethod = Host.Flags(value)
        Case "Texts": CallMethod = Host.Texts(value)
        Case "Move": Host.Move value, 1, 2, 3
    End Select
End Function

Dim methods, shapes, names, method, index, table(2, 3)
methods = Array("Points", "Numbers", "Integers", "Flags", "Texts", "Move")
shapes = Array(Nothing, Null, Empty, 5, "1 2 3", Array(Array(1, 2, 3)), table, Array(1, Nothing, 3), Host)
names = Array("Nothing", "Null", "Empty", "5", "a text", "an array of arrays", "Dim a(2, 3)", "Nothing inside", "Host")
For Each method In methods
    For index = 0 To UBound(shapes)
        On Error Resume Next : r = CallMethod(method, shapes(index)) : caught = Err.Number : On Error GoTo 0
        Check method & "(" & names(index) & ")", Hex(caught), "80040201"
    Next
Next
On Error Resume Next : r = Host.Values(Nothing) : caught = Err.Number : On Error GoTo 0
Check "Values(Nothing) is one value", Hex(caught) & " " & (r(0) Is Nothing), "0 True"

' Argument counts and names the object does not have: VBScript's own errors 450 and 438.
On Error Resume Next : r = Host.Points() : caught = Err.Number : On Error GoTo 0
Check "Points()", caught, 450
On Error Resume Next : r = Host.Points(Array(1, 2, 3), Array(), 1) : caught = Err.Number : On Error GoTo 0
Check "Points with three arguments", caught, 450
On Error Resume Next : r = Host.Numbers(1, 2) : caught = Err.Number : On Error GoTo 0
Check "Numbers with two arguments", caught, 450
On Error Resume Next : r = Host.Values() : caught = Err.Number : On Error GoTo 0
Check "Values()", caught, 450
On Error Resume Next : r = Host.Font() : caught = Err.Number : On Error GoTo 0
Check "Font()", caught, 450
On Error Resume Next : r = Host.LastCallSeconds(1) : caught = Err.Number : On Error GoTo 0
Check "LastCallSeconds(1)", caught, 450
On Error Resume Next : r = Host.Nothing(1) : caught = Err.Number : On Error GoTo 0
Check "a name Host does not have", caught, 438
On Error Resume Next : Host.LastCallSeconds = 1 : caught = Err.Number : On Error GoTo 0
Check "LastCallSeconds cannot be set", caught <> 0, True

' Names are found in any case, and the object keeps working after every error above.
Check "names in any case", Listed(HOST.numbers(Array(1))), "Double:1"

Finish "Arguments.vbs"
