' A host's script calling its automation object Host: what it sends and what comes back.
Function Shown(values)
    Dim text, index
    For index = 0 To UBound(values)
        If index > 0 Then text = text & ", "
        text = text & values(index) & " " & TypeName(values(index))
    Next
    Shown = "(" & text & ")"
End Function

Dim points, result, font
points = Array(1, 2.5, "3", 4, 5, 6) ' Integer, Double and String elements
WScript.Echo "sends  " & Shown(points)
result = Host.Points(points, Array(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1))
WScript.Echo "Points through a translation by (10, 20, 30) gives " & Shown(result)

Host.Move points, 0.5, 0, -1 ' the variable is sent by reference and moved in place
WScript.Echo "Move by (0.5, 0, -1) leaves " & Shown(points)

Set font = CreateObject("StdFont")
font.Name = "Arial" : font.Size = 10.5 : font.Bold = True
result = Host.Font(font)
WScript.Echo "Font of a StdFont gives " & Shown(result(0))

On Error Resume Next
result = Host.Numbers(Array(1, Null))
WScript.Echo "Numbers(Array(1, Null)) raises &H" & Hex(Err.Number) & ": " & Err.Description
On Error GoTo 0

If points(0) <> 1.5 Or points(5) <> 5 Then Err.Raise vbObjectError + 1, "Demo.vbs", "the points did not move"
