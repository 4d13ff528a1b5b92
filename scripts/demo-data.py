#!/usr/bin/env python3
"""Writes a Tessary data folder with three days of made-up but realistic history
for three sites (quick answers, a slow afternoon, two short outages), for
screenshots and demonstrations:

    scripts/demo-data.py /tmp/demo && tessary --data-dir /tmp/demo report --all -o demo.pdf
"""
import datetime
import json
import math
import os
import random
import sys
import uuid

END = datetime.datetime(2026, 3, 12, 9, 0, 0, tzinfo=datetime.timezone.utc)
DAYS = 3


def iso(instant):
    return instant.strftime("%Y-%m-%dT%H:%M:%SZ")


def history(url, interval, typical, outages, slow_hours, rng):
    measurements = []
    count = DAYS * 86400 // interval
    for i in range(count):
        at = END - datetime.timedelta(seconds=i * interval)
        m = {
            "id": str(uuid.UUID(int=rng.getrandbits(128), version=4)).upper(),
            "measured_at": iso(at),
            "url_string": url,
            "dns_time": round(rng.uniform(0.004, 0.02), 6),
            "connect_time": round(rng.uniform(0.01, 0.03), 6),
            "ssl_time": round(rng.uniform(0.02, 0.05), 6),
            "network_baseline_time": round(rng.uniform(0.03, 0.09), 6),
            "http_status": 200,
        }
        total = rng.lognormvariate(math.log(typical), 0.25)
        if at.hour in slow_hours:
            total *= rng.uniform(2.0, 4.5)
        if rng.random() < 0.004:
            total = rng.uniform(3.5, 7.0)
        for start, minutes in outages:
            if start <= at < start + datetime.timedelta(minutes=minutes):
                m["http_status"] = 503
                m["error_message"] = "HTTP 503 Service Unavailable"
                total = rng.uniform(0.05, 0.2)
        if rng.random() < 0.003:
            m["is_local_network_issue"] = True
            m["network_baseline_time"] = round(rng.uniform(1.6, 2.5), 6)
        m["total_time"] = round(total, 6)
        m["ttfb_time"] = round(total * 0.7, 6)
        measurements.append(m)
    return measurements


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "demo-data"
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(7)
    sites = [
        ("https://www.example-shop.nl/", 300, 0.42,
         [(END - datetime.timedelta(hours=30, minutes=12), 25),
          (END - datetime.timedelta(hours=7, minutes=40), 10)], {14, 15}),
        ("https://status.example.com/health", 120, 0.18, [], set()),
        ("https://blog.example.org/", 600, 0.75,
         [(END - datetime.timedelta(hours=52), 40)], {20}),
    ]
    domains = []
    histories = {}
    for url, interval, typical, outages, slow_hours in sites:
        domain_id = str(uuid.UUID(int=rng.getrandbits(128), version=4)).upper()
        domains.append({"id": domain_id, "url_string": url, "interval_seconds": interval,
                        "max_history_hours": 48, "user_agent": "Tessarybot",
                        "is_active": True, "notifies_on_anomalies": True,
                        "is_pinned": url.startswith("https://www."), "is_archived": False})
        histories[domain_id] = history(url, interval, typical, outages, slow_hours, rng)
    with open(os.path.join(folder, "domains.json"), "w") as f:
        json.dump(domains, f, sort_keys=True, separators=(",", ":"))
    with open(os.path.join(folder, "measurement_history.json"), "w") as f:
        json.dump(histories, f, sort_keys=True, separators=(",", ":"))


if __name__ == "__main__":
    main()
