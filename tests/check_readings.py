#!/usr/bin/env python3
"""Checks readings documents against what the station logged and showed, with Python's own JSON
parser. Input: a file of JSON lines, each {"doc": <readings document as text>, and one of
"records": [data log lines written at the moment the document was made] or "display": {channel:
value label text}}. Prints one line per problem and "N checked" at the end; exit status 1 on a
problem."""
import json
import sys

PREFIXES = {"t0": 0, "t1": 1, "t2": 2, "t3": 3, "t4": 4, "rf": 5, "ws": 6, "lt": 7, "bp": 8,
            "hm": 9, "b1": 11, "b2": 12}
MONTHS = "abcdefghijkl"
HOURS = "abcdefghijklmnopqrstuvwx"


def stamp_of(iso):
    """The data log's 8-character stamp of an ISO 8601 local time."""
    date, time = iso[:10], iso[11:19]
    y, m, d = date.split("-")
    hh, mm, _ = time.split(":")
    return y[2:] + MONTHS[int(m) - 1] + d + HOURS[int(hh)] + mm


def logged_value(prefix, field):
    if prefix[0] == "t":  # sign, two digits, two decimals: +2450 is 24.50 degrees
        return int(field[1:]) / 100.0 * (-1 if field[0] == "-" else 1)
    return int(field)


def main():
    problems, checked = [], 0
    with open(sys.argv[1], encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            entry = json.loads(line)
            doc = json.loads(entry["doc"])  # strict: no NaN, no trailing commas, valid UTF-8
            readings = doc["readings"]
            if [r["channel"] for r in readings] != list(range(13)):
                problems.append(f"entry {n}: channels are not 0 to 12")
            for record in entry.get("records", []):
                prefix = record[:2]
                if prefix not in PREFIXES or not record[11:].isdigit():
                    continue
                r = readings[PREFIXES[prefix]]
                if doc["health"][PREFIXES[prefix]]["failures_in_a_row"] > 0:
                    continue  # a failed counter read logs what it left behind, not a reading
                want = logged_value(prefix, record[10:])
                checked += 1
                if r["value"] is None or abs(r["value"] - want) > 0.005:
                    problems.append(f"entry {n}: {record} logged, readings file has {r['value']}")
                elif stamp_of(r["time"]) != record[2:10]:
                    problems.append(f"entry {n}: {record} logged at {r['time']}")
            for channel, text in entry.get("display", {}).items():
                r = readings[int(channel)]
                checked += 1
                if r["text"] != text:
                    problems.append(f"entry {n}: channel {channel} shows {text!r}, "
                                    f"readings file has {r['text']!r}")
            for h in doc["health"]:
                if h["failures"] > h["reads"] or sum(h["failures_by_code"].values()) != h["failures"]:
                    problems.append(f"entry {n}: line {h['line']} counts do not add up")
    for p in problems:
        print(p)
    print(f"{checked} checked")
    return 1 if problems or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
