' Where the time goes when a VBScript sends 100,000 points to the host's automation object and reads
' them back: each case runs seven times, and its median figures are printed as one line:
'   automation case=NAME points=100000 script_ms=... invoke_ms=... library_ms=...
' script_ms: the call as the script sees it (VBScript's Timer around the call, the argument passing and
' the result's assignment included); invoke_ms: Host.LastCallSeconds, the time inside Invoke;
' library_ms: Host.LastLibrarySeconds, its share inside the library.
Const runs = 7
Dim pointCount : pointCount = 100000

Function Median(values)
    Dim i, j, swap
    For i = 0 To UBound(values) - 1
        For j = i + 1 To UBound(values)
            If values(j) < values(i) Then swap = values(i) : values(i) = values(j) : values(j) = swap
        Next
    Next
    Median = values(UBound(values) \ 2)
End Function

Function Milliseconds(seconds)
    Milliseconds = FormatNumber(seconds * 1000, 3, True, False, False)
End Function

' Runs one case: kind "points" reads the list and gives it back, "move" moves it in place.
Sub Measure(name, kind, list)
    Dim script, invoke, library, run, started, result
    ReDim script(runs - 1) : ReDim invoke(runs - 1) : ReDim library(runs - 1)
    For run = 0 To runs - 1
        started = Timer
        If kind = "points" Then
            result = Host.Points(list)
        Else
            Host.Move list, 1, 1, 1
        End If
        script(run) = Timer - started
        invoke(run) = Host.LastCallSeconds
        library(run) = Host.LastLibrarySeconds
    Next
    If kind = "points" Then
        If UBound(result) <> 3 * pointCount - 1 Then Err.Raise vbObjectError + 1, name, "wrong count"
    End If
    WScript.Echo "automation case=" & name & " points=" & pointCount & " script_ms=" & Milliseconds(Median(script)) & _
        " invoke_ms=" & Milliseconds(Median(invoke)) & " library_ms=" & Milliseconds(Median(library))
End Sub

Dim integers, doubles, i
ReDim integers(3 * pointCount - 1)
ReDim doubles(3 * pointCount - 1)
For i = 0 To 3 * pointCount - 1
    integers(i) = i Mod 30000 ' Integer elements (VT_I2), as a script's whole numbers are
    doubles(i) = i + 0.5      ' Double elements
Next
Measure "Points-Integer-elements", "points", integers
Measure "Points-Double-elements", "points", doubles
Measure "Move-Double-elements", "move", doubles
