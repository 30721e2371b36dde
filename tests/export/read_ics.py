"""Reads an iCalendar file with the icalendar package and prints what it holds as JSON.

Usage: read_ics.py FILE. Prints {"version", "prodid", "calscale", "events": [{"uid", "dtstamp",
"start", "end", "summary", "description"}]}, dates in ISO form; exits 3 without the package.
"""
import json
import sys

try:
    import icalendar
except ImportError:
    print("the icalendar package is missing", file=sys.stderr)
    sys.exit(3)


def iso(prop):
    return None if prop is None else prop.dt.isoformat()


def main():
    with open(sys.argv[1], "rb") as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    events = []
    for event in calendar.walk("VEVENT"):
        events.append({
            "uid": str(event.get("UID")),
            "dtstamp": iso(event.get("DTSTAMP")),
            "start": iso(event.get("DTSTART")),
            "end": iso(event.get("DTEND")),
            "summary": str(event.get("SUMMARY")),
            "description": str(event.get("DESCRIPTION")),
        })
    json.dump({"version": str(calendar.get("VERSION")), "prodid": str(calendar.get("PRODID")),
               "calscale": str(calendar.get("CALSCALE")), "events": events},
              sys.stdout, ensure_ascii=True)


if __name__ == "__main__":
    main()
