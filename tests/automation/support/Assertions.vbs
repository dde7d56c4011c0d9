' The client tests' assertions, run before each test file in the same engine: a failing case is printed
' and counted, and Finish raises when any failed, so that the run (and the test) fails.
Option Explicit
Dim failures, cases, caught, r, errorNumber, errorSource, errorDescription
failures = 0 : cases = 0

Sub Check(name, actual, expected)
    cases = cases + 1
    If actual <> expected Then
        failures = failures + 1
        WScript.Echo "FAIL " & name & ": got [" & actual & "], expected [" & expected & "]"
    End If
End Sub

' Takes the error the previous statement raised, under On Error Resume Next, and clears it.
Sub TakeError()
    errorNumber = Err.Number : errorSource = Err.Source : errorDescription = Err.Description
    Err.Clear
End Sub

' An array's elements as "TypeName:value|...": one string states types and values together.
Function Listed(values)
    Dim text, index
    text = ""
    For index = 0 To UBound(values)
        If index > 0 Then text = text & "|"
        text = text & TypeName(values(index)) & ":" & values(index)
    Next
    Listed = text
End Function

Sub Finish(group)
    If failures > 0 Then Err.Raise vbObjectError + 1, group, failures & " of " & cases & " cases failed"
    If cases = 0 Then Err.Raise vbObjectError + 2, group, "no case ran"
    WScript.Echo group & ": " & cases & " cases passed"
End Sub
