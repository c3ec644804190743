#!/usr/bin/env python3
"""Writes the program's icons as SVG files next to this script.

Every icon shares one style: a 16 x 16 grid, a dark slate outline of one pixel with round
joins, and flat fills from a small palette. Run it again after changing a drawing.
"""
import os

INK = "#34495e"
BLUE, LBLUE = "#3d85c6", "#a8cdf0"
YELLOW, LYELLOW = "#f1b93b", "#fbe2a0"
RED, GREEN, PINK = "#d9534f", "#47a447", "#e07fae"
GRAY, WHITE, BROWN, TEAL = "#c5ccd4", "#ffffff", "#b0703a", "#2f9c95"

S = f'stroke="{INK}" stroke-width="1" stroke-linejoin="round" stroke-linecap="round"'


def rect(x, y, w, h, fill, r=0.5):
    return f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" fill="{fill}" {S}/>'


def path(d, fill="none"):
    return f'<path d="{d}" fill="{fill}" {S}/>'


def circle(cx, cy, r, fill):
    return f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill}" {S}/>'


def line(d, color=INK, width=1):
    return (f'<path d="{d}" fill="none" stroke="{color}" stroke-width="{width}" '
            'stroke-linecap="round" stroke-linejoin="round"/>')


def person(cx, fill, skirt=False):
    body = (f"M{cx-4.5} 14.5 L{cx-3} 10 Q{cx} 8.5 {cx+3} 10 L{cx+4.5} 14.5 Z" if skirt else
            f"M{cx-4} 14.5 V11.5 Q{cx-4} 9.5 {cx} 9.5 Q{cx+4} 9.5 {cx+4} 11.5 V14.5 Z")
    return path(body, fill) + circle(cx, 5.5, 2.8, "#f6d7b0")


def envelope(x=1.5, y=4.5, w=13, h=8, fill=WHITE):
    return rect(x, y, w, h, fill) + line(f"M{x} {y} L{x+w/2} {y+h/2+0.5} L{x+w} {y}")


def arrow(d, color):
    return line(d, color, 1.6)


BOOK_CLOSED = (path("M3.5 2.5 H12.5 V14.5 H4.5 Q3.5 14.5 3.5 13.5 Z", BLUE)
               + line("M5.5 2.5 V14.5", LBLUE) + path("M9 2.5 V7 L10 6 L11 7 V2.5", RED))
BOOK_OPEN = (path("M8 4 Q5 2.5 1.5 3.5 V13.5 Q5 12.5 8 14 Z", WHITE)
             + path("M8 4 Q11 2.5 14.5 3.5 V13.5 Q11 12.5 8 14 Z", LBLUE)
             + line("M3.5 6 Q5 5.5 6.5 6.2 M3.5 8.5 Q5 8 6.5 8.7", GRAY))
FOLDER_CLOSED = path("M1.5 4.5 V13.5 H14.5 V5.5 H7.5 L6 3.5 H2.5 Z", YELLOW) + line("M1.5 6.5 H14.5", LYELLOW)
FOLDER_OPEN = (path("M1.5 4 V13.5 H13 V5.5 H7 L5.5 3.5 H2 Z", "#d99b1c")
               + path("M1.5 13.5 L4 7.5 H15 L13 13.5 Z", LYELLOW))
GEAR = (path("M7 1.5 H9 L9.4 3.3 L10.8 3.9 L12.4 2.9 L13.8 4.3 L12.8 5.9 L13.4 7.3 L15 7.6 V9.4 "
             "L13.4 9.8 L12.8 11.2 L13.8 12.8 L12.4 14.2 L10.8 13.2 L9.4 13.8 L9 15.5 H7 L6.6 13.8 "
             "L5.2 13.2 L3.6 14.2 L2.2 12.8 L3.2 11.2 L2.6 9.8 L1 9.4 V7.6 L2.6 7.3 L3.2 5.9 "
             "L2.2 4.3 L3.6 2.9 L5.2 3.9 L6.6 3.3 Z", GRAY) + circle(8, 8.5, 2.2, WHITE))
PAGE = path("M3.5 1.5 H10 L12.5 4 V14.5 H3.5 Z", WHITE) + path("M10 1.5 V4 H12.5")
COMPUTER = lambda x, y: (rect(x, y, 7, 5.5, LBLUE) + line(f"M{x+3.5} {y+5.5} V{y+7.5} M{x+1.5} {y+7.5} H{x+5.5}"))

ICONS = {
    # program, folders, address book
    "128": BOOK_CLOSED + path("M12.5 2.5 L14.5 4 V15 L12.5 14.5", "#2b6aa3"),
    "163": BOOK_CLOSED,
    "164": BOOK_OPEN,
    "143": FOLDER_CLOSED,
    "142": FOLDER_OPEN,
    "202": rect(3.5, 1.5, 10, 13, TEAL) + rect(5.5, 3.5, 6, 7, WHITE, 0.3) + circle(8.5, 5.5, 1.2, "#f6d7b0")
           + line("M6.5 9.5 Q8.5 6.8 10.5 9.5") + line("M2 4 H4.5 M2 7.5 H4.5 M2 11 H4.5"),
    # contact details
    "219": rect(3.5, 2.5, 9, 12, GRAY, 0.2) + line("M5.5 5 H6.5 M9.5 5 H10.5 M5.5 8 H6.5 M9.5 8 H10.5")
           + rect(7, 11, 2, 3.5, BROWN, 0),
    "236": path("M2 8 L8 2.5 L14 8", RED) + path("M3.5 7 V14.5 H12.5 V7", LYELLOW) + rect(7, 10, 2.5, 4.5, BROWN, 0),
    "237": rect(6, 1.5, 4, 3, BLUE, 0.3) + rect(1.5, 11, 4, 3, LBLUE, 0.3) + rect(10.5, 11, 4, 3, LBLUE, 0.3)
           + line("M8 4.5 V7.5 M3.5 11 V7.5 H12.5 V11"),
    "239": rect(2.5, 5.5, 11, 9, BROWN) + path("M6 5.5 V3.5 H10 V5.5") + line("M2.5 9.5 H13.5") + rect(7, 8.5, 2, 2, LYELLOW, 0),
    "240": path("M4 2 L6.5 2 L7.5 5 L6 6.5 Q7 9 9.5 10 L11 8.5 L14 9.5 V12 Q13 14.5 10.5 14 Q4 12 2.5 5.5 Q2.5 3 4 2 Z", GREEN),
    "238": rect(4.5, 1.5, 7, 5, WHITE, 0.2) + rect(1.5, 6.5, 13, 8, GRAY) + line("M4 9.5 H12 M4 11.5 H8")
           + line("M6 3.5 H10", GRAY),
    "233": rect(2.5, 4.5, 11, 8, "#6c7a89") + rect(4, 6, 8, 3.5, "#b8e986", 0.2) + line("M4.5 11 H6 M10 11 H11.5", WHITE),
    "234": rect(4.5, 1.5, 7, 13, "#566573", 1.2) + rect(5.8, 3, 4.4, 8, LBLUE, 0.2) + circle(8, 12.8, 0.6, WHITE),
    "232": path("M2 3.5 H14 V11 H7 L4 14 V11 H2 Z", "#f5f0c8") + circle(5.5, 7.2, 0.7, INK) + circle(8, 7.2, 0.7, INK)
           + circle(10.5, 7.2, 0.7, INK),
    "225": person(8, BLUE),
    "224": person(8, PINK, skirt=True),
    "231": rect(2.5, 3.5, 11, 11, WHITE) + path("M2.5 3.5 H13.5 V6.5 H2.5 Z", RED) + line("M5 2 V4.5 M11 2 V4.5")
           + line("M5 9 H6 M7.5 9 H8.5 M10 9 H11 M5 11.5 H6 M7.5 11.5 H8.5"),
    "235": rect(2.5, 2.5, 11, 11, LYELLOW) + circle(5.5, 8, 0.8, INK) + circle(8, 8, 0.8, INK) + circle(10.5, 8, 0.8, INK),
    # what the handler icons stand for: mail addresses and web pages
    "mail": envelope(),
    "web": circle(8, 8, 6.5, LBLUE) + line("M1.5 8 H14.5 M8 1.5 Q4 8 8 14.5 M8 1.5 Q12 8 8 14.5 M3 4.5 H13 M3 11.5 H13", BLUE),
    # a program the desktop knows no icon for: a window with a title bar and a prompt
    "program": rect(1.5, 2.5, 13, 11, WHITE) + path("M1.5 5.5 H14.5") + rect(1.5, 2.5, 13, 3, BLUE)
               + line("M4 8 L6 9.5 L4 11 M7.5 11 H10", GREEN),
    # tabs and bar buttons
    "243": path("M8 1.5 L10 6 L14.8 6.3 L11.1 9.4 L12.3 14.2 L8 11.5 L3.7 14.2 L4.9 9.4 L1.2 6.3 L6 6 Z", YELLOW),
    "244": path("M4 1.5 H12 V14.5 L8 11 L4 14.5 Z", RED) + line("M6 5 H10", "#f6c1c0"),
    "245": rect(3.5, 1.5, 10, 13, TEAL) + rect(5.5, 3.5, 6, 7, WHITE, 0.3) + circle(8.5, 5.5, 1.2, "#f6d7b0")
           + line("M6.5 9.5 Q8.5 6.8 10.5 9.5") + line("M2 4 H4.5 M2 7.5 H4.5 M2 11 H4.5"),
    "246": GEAR,
    # dialog buttons
    "166": FOLDER_OPEN + circle(11, 10, 2.6, WHITE) + line("M12.8 11.8 L15 14", INK, 1.6),
    "182": envelope(1.5, 5.5, 11, 8) + arrow("M11 1.5 H15 M13 0.5 L15 1.5 L13 2.5", RED),
    "185": COMPUTER(0.5, 1.5) + COMPUTER(8.5, 7) + arrow("M6 11 Q6 13.5 8 13.5", RED),
    "194": PAGE + line("M6.5 7 L5 9 L6.5 11 M9.5 7 L11 9 L9.5 11", BLUE),
    "195": FOLDER_CLOSED + rect(2.5, 9, 5, 4.5, WHITE, 0.2) + line("M4 12.5 L6 10.5 M4.5 10.5 H6 V12", BLUE),
    "196": rect(2.5, 8.5, 11, 6, GRAY) + arrow("M8 1.5 V10 M5 7 L8 10 L11 7", GREEN),
    "197": rect(2.5, 8.5, 11, 6, GRAY) + arrow("M8 11 V2 M5 5 L8 2 L11 5", BLUE),
    "200": path("M4 4.5 H12 L11 14.5 H5 Z", GRAY) + line("M2.5 4.5 H13.5 M6.5 4.5 V2.5 H9.5 V4.5 M6.8 7 V12 M9.2 7 V12"),
    "201": envelope(1.5, 3.5, 13, 9, LYELLOW) + circle(11.5, 11.5, 3, WHITE) + line("M12.7 11.5 A1.2 1.2 0 1 1 12.7 11.4 V12.8 Q14 13 14.2 11.5", BLUE),
    "203": circle(8, 8, 6.5, LBLUE) + line("M1.5 8 H14.5 M8 1.5 V14.5", BLUE) + COMPUTER(8.5, 8),
    "255": circle(8, 8, 6.5, RED) + line("M5.5 5.5 L10.5 10.5 M10.5 5.5 L5.5 10.5", WHITE, 1.8),
    "257": circle(8, 8, 6.5, GREEN) + line("M4.8 8.3 L7 10.5 L11.2 5.8", WHITE, 1.8),
    # command images of the toolbars
    "cmd-32798": rect(2.5, 2.5, 11, 11, BLUE) + rect(4.5, 2.5, 7, 4, WHITE, 0) + rect(5, 9, 6, 4.5, LBLUE, 0),
    "cmd-32819": envelope(1.5, 6.5, 11, 7.5) + arrow("M12.5 7 V1.5 M10.5 3.5 L12.5 1.5 L14.5 3.5", RED),
    "cmd-32820": envelope(1.5, 6.5, 11, 7.5) + arrow("M12.5 1 V6.5 M10.5 4.5 L12.5 6.5 L14.5 4.5", GREEN),
    "cmd-32797": rect(1.5, 2.5, 13, 11, WHITE) + line("M4 6 H12 M4 10 H12", GRAY) + rect(5.5, 4.5, 2, 3, BLUE, 0.3)
                 + rect(9, 8.5, 2, 3, BLUE, 0.3),
    "cmd-32780": circle(8, 8, 6.5, BLUE) + line("M8 7 V11.5", WHITE, 1.8) + f'<circle cx="8" cy="4.7" r="1" fill="{WHITE}"/>',
    "cmd-57670": circle(8, 8, 6.5, GREEN) + line("M6 6.2 Q6 4.2 8 4.2 Q10 4.2 10 6 Q10 7.4 8 8.3 V9.5", WHITE, 1.6)
                 + f'<circle cx="8" cy="11.8" r="1" fill="{WHITE}"/>',
    "cmd-32773": PAGE + arrow("M11.5 9 V15 M8.5 12 H14.5", GREEN),
    "cmd-32774": path("M3 13 L3.5 10.5 L11 3 L13 5 L5.5 12.5 Z", YELLOW) + line("M9.5 4.5 L11.5 6.5"),
    "cmd-32772": line("M3.5 3.5 L12.5 12.5 M12.5 3.5 L3.5 12.5", RED, 2.2),
    "cmd-32775": circle(4.5, 12, 2, WHITE) + circle(11.5, 12, 2, WHITE) + line("M5.8 10.5 L11 2 M10.2 10.5 L5 2"),
    "cmd-32776": rect(2.5, 1.5, 8, 10, WHITE) + rect(5.5, 4.5, 8, 10, LBLUE),
    "cmd-32777": rect(2.5, 2.5, 10, 12, BROWN) + rect(5.5, 1.5, 4, 2.5, GRAY, 0.3) + rect(6.5, 6.5, 7, 8, WHITE),
    "cmd-32781": rect(2.5, 8.5, 11, 6, GRAY) + arrow("M8 1.5 V10 M5 7 L8 10 L11 7", GREEN),
    "cmd-32782": rect(2.5, 8.5, 11, 6, GRAY) + arrow("M8 11 V2 M5 5 L8 2 L11 5", BLUE),
    "cmd-32822": path("M4 12.5 Q1 12.5 1.5 9.5 Q2 7.5 4.2 7.8 Q4.8 4 8.5 4.3 Q12 4.5 12 8 Q15 8 14.5 10.8 Q14 12.5 12 12.5 Z", WHITE)
                 + arrow("M8 14.5 V8 M6 10 L8 8 L10 10", BLUE),
    "cmd-32823": line("M13 6 A5.5 5.5 0 0 0 3 6 M3 10 A5.5 5.5 0 0 0 13 10", GREEN, 1.6)
                 + line("M13 2.5 V6 H9.5 M3 13.5 V10 H6.5", GREEN, 1.6),
    "cmd-32824": COMPUTER(0.5, 1.5) + COMPUTER(8.5, 7) + arrow("M6 11 Q6 13.5 8 13.5", RED),
    "cmd-32836": path("M8 1.5 Q12.5 1.5 12.5 6 Q12.5 8.5 10.5 10 V11.5 H5.5 V10 Q3.5 8.5 3.5 6 Q3.5 1.5 8 1.5 Z", LYELLOW)
                 + rect(5.5, 11.5, 5, 3, GRAY, 0.3),
    "cmd-32827": FOLDER_CLOSED + path("M8 7 L9 9 L11 9.2 L9.5 10.5 L10 12.5 L8 11.4 L6 12.5 L6.5 10.5 L5 9.2 L7 9 Z", RED),
    "cmd-32831": BOOK_CLOSED,
    "cmd-32828": PAGE + line("M6.5 7 L5 9 L6.5 11 M9.5 7 L11 9 L9.5 11", BLUE),
}

BITMAP_135 = f'''<svg xmlns="http://www.w3.org/2000/svg" width="320" height="200" viewBox="0 0 320 200">
<defs><linearGradient id="sky" x1="0" y1="0" x2="0.4" y2="1">
<stop offset="0" stop-color="#dcebf9"/><stop offset="1" stop-color="#f7fbff"/></linearGradient></defs>
<rect width="320" height="200" fill="url(#sky)"/>
<path d="M0 150 Q80 120 160 150 T320 140 V200 H0 Z" fill="#cfe3f5"/>
<path d="M0 170 Q90 145 180 170 T320 165 V200 H0 Z" fill="#bcd7f0"/>
</svg>
'''

# The busy animation: twelve dots, the painter turns it one dot per frame.
BUSY = '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">' + "".join(
    f'<circle cx="16" cy="4" r="2.6" fill="{BLUE}" opacity="{(i + 1) / 12:.2f}" transform="rotate({i * 30} 16 16)"/>'
    for i in range(12)) + "</svg>\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, body in ICONS.items():
        with open(os.path.join(here, name + ".svg"), "w", encoding="utf-8") as f:
            f.write('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">'
                    + body + "</svg>\n")
    with open(os.path.join(here, "135.svg"), "w", encoding="utf-8") as f:
        f.write(BITMAP_135)
    with open(os.path.join(here, "busy.svg"), "w", encoding="utf-8") as f:
        f.write(BUSY)


if __name__ == "__main__":
    main()
