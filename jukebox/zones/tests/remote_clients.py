#!/usr/bin/env python3
"""Several remote controls at once against the jukebox's control port, in bursts.

Each client keeps its own connection and sends, as a panel does, a skip (XportNext) now and then and
status queries (QryStreamState) in between, with short random pauses. All clients of a burst start
together, so their skips reach the jukebox close behind one another.

Usage: remote_clients.py PORT SUBDEVICE CLIENTS RESULTS
Each line read from standard input, "SKIPS_PER_CLIENT SEED", runs one burst; when it is over one line
is appended to the file RESULTS: "burst N ok" or "burst N failed", then the clients' counts ("client C:
skips S queries Q failures F") and what failed. A request fails on no reply, not HTTP 200, or an action
return code other than 0. The end of standard input ends the program. One process serves every burst:
on a loaded machine starting the interpreter costs more than a burst."""
import http.client
import random
import re
import sys
import threading
import time

port, subdevice, clients = (int(value) for value in sys.argv[1:4])
results_path = sys.argv[4]


def document(action, arguments=""):
    return ("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><actionList><action><actionName>%s</actionName>"
            "<transID>7</transID><actionID>1</actionID><subDevice>%d</subDevice>%s</action></actionList>"
            % (action, subdevice, arguments))


QUERY_ARGUMENTS = "".join("<argument><name>%s</name><direction>out</direction></argument>" % name
                          for name in ("SongNumber", "StreamState"))


def client(number, skips, seed, start, results, problems):
    rng = random.Random(seed * 100 + number)
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    done = {"skips": 0, "queries": 0, "failures": 0}

    def post(body):
        try:
            connection.request("POST", "/control", body, {"Content-Type": "text/xml"})
            reply = connection.getresponse()
            text = reply.read().decode("latin-1")
        except (OSError, http.client.HTTPException) as error:
            problems.append("client %d: %s" % (number, error))
            connection.close()
            return False
        code = re.search(r"<actionReturnCode>(-?\d+)</actionReturnCode>", text)
        if reply.status != 200 or code is None or code.group(1) != "0":
            problems.append("client %d: %d %s" % (number, reply.status, text[:200]))
            return False
        return True

    start.wait()
    for _ in range(skips):
        done["skips" if post(document("XportNext")) else "failures"] += 1
        for _ in range(rng.randint(0, 2)):
            done["queries" if post(document("QryStreamState", QUERY_ARGUMENTS)) else "failures"] += 1
        time.sleep(rng.uniform(0.0, 0.03))
    connection.close()
    results[number] = done


def burst(skips, seed):
    """One burst of every client; the report's lines, the first saying whether all went well."""
    start = threading.Barrier(clients)
    results = [None] * clients
    problems = []
    threads = [threading.Thread(target=client, args=(n, skips, seed, start, results, problems))
               for n in range(clients)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    lines = []
    failed = bool(problems)
    for number, done in enumerate(results):
        if done is None:
            lines.append("client %d: did not finish" % number)
            failed = True
            continue
        lines.append("client %d: skips %d queries %d failures %d"
                     % (number, done["skips"], done["queries"], done["failures"]))
        failed = failed or done["failures"] > 0
    return ["failed" if failed else "ok"] + lines + problems


def main():
    number = 0
    for request in sys.stdin:
        fields = request.split()
        if len(fields) != 2:
            report = ["failed", "not a burst: %r" % request]
        else:
            report = burst(int(fields[0]), int(fields[1]))
        # The report is one line, written whole, so a reader never sees half of it.
        with open(results_path, "a") as results:
            results.write("burst %d %s\n" % (number, " | ".join(report)))
        number += 1


main()
