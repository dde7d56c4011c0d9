' A VBScript client in a process of its own (cscript): it creates the automation host as a local server
' and calls every method with what scripts send. Every value crosses the platform's marshaler; a variable
' passed by reference is copied back after the call. cscript hides a script's own errors, so the closing
' line is what the test looks for. Its one argument is the server's ProgID, as the build defines it.
Option Explicit
Dim Host, hostProgId, failures, cases, r, i, errorNumber, errorSource, errorDescription
failures = 0 : cases = 0
hostProgId = WScript.Arguments(0)

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

Sub CheckError(name, expectedNumber, descriptionPart)
    Check name & ": Err.Number", Hex(errorNumber), Hex(expectedNumber)
    Check name & ": Err.Source", errorSource, hostProgId
    Check name & ": Err.Description names what was expected", InStr(errorDescription, descriptionPart) > 0, True
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

Set Host = CreateObject(hostProgId)

' Points: literals, a variable (by reference, copied back unchanged), a fixed and a resized array, a matrix.
Check "literals", Listed(Host.Points(Array(1, 2.5, "3"))), "Double:1|Double:2.5|Double:3"
Dim list : list = Array(4, 5, 6)
Check "a variable", Listed(Host.Points(list)), "Double:4|Double:5|Double:6"
Check "the variable comes back as it was", Listed(list), "Integer:4|Integer:5|Integer:6"
Dim fixed(5)
Check "Dim a(5): empty elements are zeros", Listed(Host.Points(fixed)), _
    "Double:0|Double:0|Double:0|Double:0|Double:0|Double:0"
Dim grown : ReDim grown(2)
grown(0) = 1 : grown(1) = 2 : grown(2) = 3
ReDim Preserve grown(5)
grown(3) = 4 : grown(4) = 5.5 : grown(5) = "6"
Check "ReDim Preserve", Listed(Host.Points(grown)), "Double:1|Double:2|Double:3|Double:4|Double:5.5|Double:6"
Check "a translation by (10, 20, 30) in the last row", Listed(Host.Points(Array(1, 2, 3), _
    Array(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1))), "Double:11|Double:22|Double:33"

' Move: the client's own variable holds the moved numbers once the call has returned.
Dim pts : pts = Array(1, 2, 3, 4, 5, 6)
Host.Move pts, 1, 2, 3
Check "Move changes the client's array", Listed(pts), "Double:2|Double:4|Double:6|Double:5|Double:7|Double:9"
Dim three(2)
three(0) = 1 : three(1) = 2 : three(2) = 3
Host.Move three, 0.5, 0.5, 0.5
Check "Move changes a fixed array", Listed(three), "Double:1.5|Double:2.5|Double:3.5"
' A variable in parentheses is sent by value: a copy that would never come back, which Move refuses.
On Error Resume Next
Host.Move (pts), 1, 1, 1
TakeError
On Error Goto 0
CheckError "Move (a)", &H80040201, "by value"
Check "Move (a) leaves the array", Listed(pts), "Double:2|Double:4|Double:6|Double:5|Double:7|Double:9"

' The lists, round trip.
Check "numbers", Listed(Host.Numbers(Array(1, "2.5", True, Empty))), "Double:1|Double:2.5|Double:-1|Double:0"
Check "integers round half to even", Listed(Host.Integers(Array(1, 2.5, 3.5, "7", 100000))), _
    "Long:1|Long:2|Long:4|Long:7|Long:100000"
Check "flags", Listed(Host.Flags(Array(True, False, 1, 0))), "Boolean:True|Boolean:False|Boolean:True|Boolean:False"
Dim accented : accented = "Gr" & Chr(252) & Chr(223) & "e"
Check "texts", Listed(Host.Texts(Array("alpha", "", accented, 12))), _
    "String:alpha|String:|String:" & accented & "|String:12"
Check "values keep their types", Listed(Host.Values(Array(1, "x", 2.5, True, Empty, Null))), _
    "Integer:1|String:x|Double:2.5|Boolean:True|Empty:|Null:"

' Errors reach the client as the host's EXCEPINFO: Err.Number is its scode.
On Error Resume Next
r = Host.Numbers(Array(1, "abc"))
TakeError
CheckError "text that is no number", &H80020005, "Numbers"
r = Host.Numbers(Array(Null))
TakeError
CheckError "Null", &H80020005, "Numbers"
r = Host.Integers(Array(3000000000))
TakeError
CheckError "beyond 32 bits", &H8002000A, "Integers"
r = Host.Points(Array(1, 2))
TakeError
CheckError "two numbers", &H80040201, "three per point"
Dim square(2, 3)
r = Host.Points(square)
TakeError
CheckError "a two-dimensional array", &H80040201, "one-dimensional"
r = Host.Points(Array(Array(1, 2, 3), 4, 5))
TakeError
CheckError "an array of arrays", &H80040201, "whose element 0 is an array"
On Error Goto 0

' What a font made here gives depends on the platform's font proxy (OutOfProcess.CppClientFont probes it);
' what is no font is refused everywhere.
Dim font : Set font = CreateObject("StdFont")
font.Name = "Arial" : font.Size = 12
On Error Resume Next
r = Host.Font(Array(font, 1))
TakeError
CheckError "a number among the fonts", &H80040201, "whose element 1 is an Integer"
On Error Goto 0

' 100,000 points from a script loop, through the host and back; then moved in place.
Dim big : ReDim big(299999)
For i = 0 To 299999
    big(i) = i
Next
r = Host.Points(big)
Dim wrong : wrong = 0
For i = 0 To 299999
    If r(i) <> i Then wrong = wrong + 1
Next
Check "100,000 points: count", UBound(r), 299999
Check "100,000 points: numbers that differ", wrong, 0
Host.Move big, 1, 2, 3
wrong = 0
For i = 0 To 299999
    If big(i) <> i + (i Mod 3) + 1 Then wrong = wrong + 1
Next
Check "100,000 points moved in place: numbers that differ", wrong, 0
Check "the library's share of moving 100,000 points is above 0", Host.LastLibrarySeconds > 0, True

WScript.Echo "VBScript client: " & cases & " cases, " & failures & " failed"
