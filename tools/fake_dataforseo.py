#!/usr/bin/env python3
"""A stand-in for DataForSEO and the Google Trends feed on this machine, to try real data by hand.

    python3 tools/fake_dataforseo.py [--port 8471] [--latency 0.2]
    QUILLMARK_DATAFORSEO_URL=http://127.0.0.1:8471 QUILLMARK_TRENDS_URL=http://127.0.0.1:8471 quillmark

It answers the calls Quillmark makes in the shapes DataForSEO documents: the free account call
(login "try-login", password "try-password"; anything else gets the provider's 40100), keyword
ideas, the search volume of a list (a list holding a phrase with "forbidden" in it gets no figures,
as one with a policy-restricted phrase does), organic results live and through the queue
(task_post, tasks_ready, task_get: a task is finished --queue-delay seconds after its post, a fifth
of that at high priority) and the trending feed. Connections
stay open between calls. Every figure is made from the phrase and the market,
so a research repeated gives the same rows and another market gives other numbers. Each paid reply
says what it cost, as the provider's do. Nothing here is real data.
"""

import argparse
import base64
import hashlib
import itertools
import json
import sys
import threading
import time
import uuid
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOGIN = "try-login"
PASSWORD = "try-password"
IDEAS_COST = 0.075
SERP_COST_PER_PAGE = 0.002  # each further page of 10 results at 75% of the first
QUEUED_SHARE = {1: 0.3, 2: 0.6}  # a queued task's price, by priority, as a share of a live call
# Queued tasks by id: when each is finished, what it asked for, whether it was collected.
QUEUE = {}
QUEUE_LOCK = threading.Lock()
WORDS = ["cheap", "best", "metal", "wooden", "small", "large", "plastic", "corner", "used", "buy",
         "diy", "kits", "for sale", "near me", "with floor"]


def figure(*parts, low=0, high=100000):
    digest = hashlib.sha256("\n".join(str(p) for p in parts).encode()).digest()
    return low + int.from_bytes(digest[:8], "big") % (high - low + 1)


def envelope(status_code, message, cost, result):
    task = {"id": "00000000-0000-0000-0000-000000000000", "status_code": status_code,
            "status_message": message, "cost": cost, "result_count": len(result or []),
            "result": result}
    return {"version": "0.1.20261101", "status_code": status_code, "status_message": message,
            "time": "0.10 sec.", "cost": cost, "tasks_count": 1, "tasks_error": 0,
            "tasks": [task]}


def months(keyword, market):
    """Twelve months of searches, oldest first, ending last month."""
    now = time.gmtime()
    year, month = now.tm_year, now.tm_mon
    out = []
    for back in range(12, 0, -1):
        y, m = year, month - back
        while m < 1:
            y, m = y - 1, m + 12
        out.append({"year": y, "month": m, "search_volume": figure(keyword, y, m, *market, high=20000)})
    return out


def organic(task):
    """The organic results of a task, and what a live call for them costs."""
    market = (task.get("location_code", 2840), task.get("language_code", "en"))
    keyword = task.get("keyword", "")
    depth = int(task.get("depth", 10))
    pages = max(1, (depth + 9) // 10)
    cost = round(SERP_COST_PER_PAGE * (1 + 0.75 * (pages - 1)), 6)
    target = ""
    for match in task.get("stop_crawl_on_match", []):
        target = match.get("match_value", "")
    place = figure(keyword, "place", *market, low=1, high=60)
    items = [{"type": "organic", "rank_group": i, "rank_absolute": i,
              "url": f"https://{target}/" if i == place and target
              else f"https://site{i}.example/", "domain": "x"}
             for i in range(1, depth + 1)]
    result = [{"keyword": keyword,
               "se_results_count": figure(keyword, *market, low=1000, high=90000000),
               "items_count": len(items), "items": items}]
    return result, cost


class Handler(BaseHTTPRequestHandler):
    latency = 0.0
    queue_delay = 60.0
    # Connections stay open between calls, as the provider's do.
    protocol_version = "HTTP/1.1"
    connections = itertools.count(1)

    def setup(self):
        super().setup()
        # Said once a connection: how many a research opened is the number of the last one.
        sys.stderr.write(f"fake_dataforseo: connection {next(self.connections)}\n")

    def log_message(self, format, *args):
        sys.stderr.write("fake_dataforseo: " + (format % args) + "\n")

    def reply(self, status, body, content_type="application/json"):
        data = body if isinstance(body, bytes) else json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def signed_in(self):
        expected = base64.b64encode(f"{LOGIN}:{PASSWORD}".encode()).decode()
        if self.headers.get("Authorization", "") == "Basic " + expected:
            return True
        self.reply(401, envelope(40100, "You are not authorized to access this resource. "
                                        "Check your login and password.", 0, None))
        return False

    def do_GET(self):
        time.sleep(self.latency)
        if self.path.startswith("/trending/rss"):
            geo = self.path.partition("geo=")[2] or "US"
            items = "".join(
                f"<item><title>{w} {geo.lower()} today</title><ht:approx_traffic>"
                f"{figure(w, geo, low=1, high=50)}000+</ht:approx_traffic></item>"
                for w in ["weather", "football", "election", "recipes", "concert", "storm"])
            feed = ('<?xml version="1.0" encoding="UTF-8"?><rss version="2.0" '
                    'xmlns:ht="https://trends.google.com/trending/rss"><channel>'
                    f"<title>Daily Search Trends</title>{items}</channel></rss>")
            return self.reply(200, feed.encode(), "application/rss+xml")
        if self.path == "/v3/appendix/user_data":
            if not self.signed_in():
                return None
            result = [{"login": LOGIN, "timezone": "UTC",
                       "rates": {"limits": {"day": {"serp": 0},
                                            "minute": {"serp": 2000,
                                                       "keywords_data": {"google_ads": 12}}}},
                       "money": {"total": 50, "balance": 49.5, "limits": {}}, "price": {}}]
            return self.reply(200, envelope(20000, "Ok.", 0, result))
        if self.path == "/v3/serp/google/organic/tasks_ready":
            if not self.signed_in():
                return None
            now = time.time()
            with QUEUE_LOCK:
                ready = [{"id": i, "se": "google", "se_type": "organic", "tag": t["task"].get("tag"),
                          "endpoint_regular": f"/v3/serp/google/organic/task_get/regular/{i}"}
                         for i, t in QUEUE.items() if t["ready_at"] <= now and not t["collected"]]
            return self.reply(200, envelope(20000, "Ok.", 0, ready[:1000]))
        prefix = "/v3/serp/google/organic/task_get/regular/"
        if self.path.startswith(prefix):
            if not self.signed_in():
                return None
            with QUEUE_LOCK:
                queued = QUEUE.get(self.path[len(prefix):])
                if queued and queued["ready_at"] <= time.time():
                    queued["collected"] = True
            if queued is None:
                return self.reply(200, envelope(40400, "Task Not Found.", 0, None))
            if queued["ready_at"] > time.time():
                reply = envelope(20000, "Ok.", 0, None)
                reply["tasks"][0].update(status_code=40602, status_message="Task In Queue.")
                return self.reply(200, reply)
            return self.reply(200, envelope(20000, "Ok.", 0, organic(queued["task"])[0]))
        return self.reply(404, envelope(40400, "Not Found.", 0, None))

    def post_tasks(self, tasks):
        """task_post: each task queued, finished after the delay of its priority."""
        if not isinstance(tasks, list) or not 1 <= len(tasks) <= 100:
            return self.reply(200, envelope(40000, "You can set up to 100 tasks at a time.", 0, None))
        answered, total = [], 0.0
        for task in tasks:
            priority = 2 if task.get("priority") == 2 else 1
            cost = round(organic(task)[1] * QUEUED_SHARE[priority], 6)
            total += cost
            delay = self.queue_delay / (5 if priority == 2 else 1)
            task_id = str(uuid.uuid4())
            with QUEUE_LOCK:
                QUEUE[task_id] = {"ready_at": time.time() + delay, "task": task, "collected": False}
            answered.append({"id": task_id, "status_code": 20100, "status_message": "Task Created.",
                             "cost": cost, "result_count": 0, "result": None, "data": task})
        reply = envelope(20000, "Ok.", round(total, 6), None)
        reply.update(tasks=answered, tasks_count=len(answered))
        return self.reply(200, reply)

    def do_POST(self):
        time.sleep(self.latency)
        # Read whole before any answer: the connection carries the next request after it.
        length = int(self.headers.get("Content-Length", "0"))
        raw = self.rfile.read(length)
        if not self.signed_in():
            return None
        try:
            tasks = json.loads(raw)
            task = tasks[0]
        except (ValueError, IndexError, KeyError):
            return self.reply(400, envelope(40501, "Invalid Field.", 0, None))
        if self.path == "/v3/serp/google/organic/task_post":
            return self.post_tasks(tasks)
        market = (task.get("location_code", 2840), task.get("language_code", "en"))
        if "keywords_for_keywords" in self.path:
            seed = task.get("keywords", [""])[0]
            ideas = [{"keyword": seed, "search_volume": figure(seed, *market, high=20000)}]
            ideas += [{"keyword": f"{word} {seed}", "search_volume": figure(word, seed, *market,
                                                                            high=9000)}
                      for word in WORDS]
            return self.reply(200, envelope(20000, "Ok.", IDEAS_COST, ideas))
        if "search_volume" in self.path:
            # A list holding a refused phrase gets no figures at all, as the provider's does.
            keywords = task.get("keywords", [])
            if any("forbidden" in k.lower() for k in keywords):
                return self.reply(200, envelope(20000, "Ok.", IDEAS_COST, []))
            volumes = [{"keyword": k.lower(), "search_volume": figure(k.lower(), *market, high=20000),
                        "monthly_searches": months(k.lower(), market)} for k in keywords]
            return self.reply(200, envelope(20000, "Ok.", IDEAS_COST, volumes))
        if "/serp/google/organic/live" in self.path:
            result, cost = organic(task)
            return self.reply(200, envelope(20000, "Ok.", cost, result))
        return self.reply(404, envelope(40400, "Not Found.", 0, None))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8471)
    parser.add_argument("--latency", type=float, default=0.2, help="seconds before each reply")
    parser.add_argument("--queue-delay", type=float, default=60.0,
                        help="seconds a queued task takes at normal priority (a fifth at high)")
    args = parser.parse_args()
    Handler.latency = args.latency
    Handler.queue_delay = args.queue_delay
    # A research keeps up to 100 calls in flight: they must not be dropped while they queue.
    ThreadingHTTPServer.request_queue_size = 128
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    print(f"fake_dataforseo: http://127.0.0.1:{args.port} (login {LOGIN}, password {PASSWORD})",
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
