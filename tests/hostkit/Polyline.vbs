' The README's PolylineHost from VBScript: a variable and a fixed array (both sent by reference), an
' empty polyline, and refusals that say why and keep the polyline as it was.
Sub Expect(name, actual, expected)
    If actual <> expected Then Err.Raise vbObjectError + 1, "Polyline.vbs", name & ": " & actual & ", not " & expected
End Sub

' The elements joined by commas (Wine's VBScript has no Join).
Function Listed(values)
    Dim index
    For index = 0 To UBound(values)
        If index > 0 Then Listed = Listed & ","
        Listed = Listed & values(index)
    Next
End Function

Dim back : back = Host.GetPolyline()
Expect "no polyline yet", UBound(back), -1

Dim list : list = Array(0, 0, 0, 1, 2.5, "3")
Host.SetPolyline list
back = Host.GetPolyline()
Expect "a variable", Listed(back), "0,0,0,1,2.5,3"
Expect "numbers come back as Double", TypeName(back(5)), "Double"

Dim fixed(2)
fixed(0) = 7 : fixed(1) = 8 : fixed(2) = 9
Host.SetPolyline fixed
back = Host.GetPolyline()
Expect "Dim a(2)", Listed(back), "7,8,9"

Dim number, description, source
On Error Resume Next
Host.SetPolyline Array(1, 2, 3, 4)
number = Err.Number : description = Err.Description : source = Err.Source
On Error GoTo 0
Expect "four numbers: the host's code", Hex(number), "80040201"
Expect "four numbers: why", description, "SetPolyline expects a one-dimensional array of numbers, three per point; " & _
    "it received an array of 4 elements, not a multiple of 3"
Expect "four numbers: the source", source, "PolylineHost"

On Error Resume Next
Host.SetPolyline Array(1, 2, 3, 4, "five", 6)
number = Err.Number
On Error GoTo 0
Expect "a text that is no number: the library's type mismatch", Hex(number), "80020005"
Expect "a failed read keeps the polyline", Listed(Host.GetPolyline()), "7,8,9"

WScript.Echo "Polyline.vbs: ok"
