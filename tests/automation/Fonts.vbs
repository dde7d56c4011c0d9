' Host.Font as a VBScript client calls it: StdFont objects made by the script, alone or in arrays.
' (support/Assertions.vbs runs first: Check, Listed, Finish, and the variables caught and r.)
Option Explicit

Function NewFont(name, size, bold, italic)
    Dim font
    Set font = CreateObject("StdFont")
    font.Name = name : font.Size = size : font.Bold = bold : font.Italic = italic
    Set NewFont = font
End Function

' A record is Array(name, size in points, bold, italic, angle). Sizes pass through whole pixels at
' 96 pixels per inch: 12 pt is 16 px, 10.5 pt 14 px, and 11 pt 14.67 px, rounded to 15 px = 11.25 pt.
Dim bold, italic, odd, fonts(1)
Set bold = NewFont("Arial", 12, True, False)
Set italic = NewFont("Arial", 10.5, False, True)
Set odd = NewFont("Arial", 11, False, False)
r = Host.Font(bold)
Check "one font gives one record", UBound(r), 0
Check "bold 12 pt", Listed(r(0)), "String:Arial|Double:12|Boolean:True|Boolean:False|Double:0"
r = Host.Font(italic)
Check "italic 10.5 pt", Listed(r(0)), "String:Arial|Double:10.5|Boolean:False|Boolean:True|Double:0"
r = Host.Font(odd)
Check "11 pt is 15 pixels", Listed(r(0)), "String:Arial|Double:11.25|Boolean:False|Boolean:False|Double:0"

' Arrays of fonts: a literal Array, a fixed array (sent by reference), Nothing among them.
r = Host.Font(Array(bold, italic))
Check "Array of two fonts", UBound(r) & " " & r(0)(1) & " " & r(1)(1), "1 12 10.5"
Set fonts(0) = italic
Set fonts(1) = odd
r = Host.Font(fonts)
Check "Dim a(1) of fonts", UBound(r) & " " & r(0)(1) & " " & r(1)(1), "1 10.5 11.25"
r = Host.Font(Array(bold, Nothing, odd))
Check "Nothing adds no record", UBound(r) & " " & r(0)(1) & " " & r(1)(1), "1 12 11.25"

' What is not a font.
On Error Resume Next : r = Host.Font("Arial") : caught = Err.Number : On Error GoTo 0
Check "a name", Hex(caught), "80040201"
On Error Resume Next : r = Host.Font(Array(bold, 12)) : caught = Err.Number : On Error GoTo 0
Check "a number among fonts", Hex(caught), "80040201"
Dim table(1, 1)
On Error Resume Next : r = Host.Font(table) : caught = Err.Number : On Error GoTo 0
Check "Dim a(1, 1)", Hex(caught), "80040201"
On Error Resume Next : r = Host.Font(Null) : caught = Err.Description : On Error GoTo 0
Check "Null: the description says what was expected and what arrived", _
    InStr(caught, "Font expects a font object") = 1 And InStr(caught, "Null") > 0, True

Finish "Fonts.vbs"
