#!/usr/bin/env python3
"""Several remote controls at once against the jukebox's control port.

Each client keeps its own connection and sends, as a panel does, a skip (XportNext) now and then and
status queries (QryStreamState) in between, with short random pauses. All clients start together, so
their skips reach the jukebox close behind one another.

Usage: remote_clients.py PORT SUBDEVICE CLIENTS SKIPS_PER_CLIENT SEED
Prints one line per client: "client N: skips S queries Q failures F" and exits 1 when any request
failed (no reply, not HTTP 200, or an action return code other than 0)."""
import http.client
import random
import re
import sys
import threading
import time

port, subdevice, clients, skips, seed = (int(value) for value in sys.argv[1:6])


def document(action, arguments=""):
    return ("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><actionList><action><actionName>%s</actionName>"
            "<transID>7</transID><actionID>1</actionID><subDevice>%d</subDevice>%s</action></actionList>"
            % (action, subdevice, arguments))


QUERY_ARGUMENTS = "".join("<argument><name>%s</name><direction>out</direction></argument>" % name
                          for name in ("SongNumber", "StreamState"))
start = threading.Barrier(clients)
results = [None] * clients


def client(number):
    rng = random.Random(seed * 100 + number)
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    done = {"skips": 0, "queries": 0, "failures": 0}

    def post(body):
        try:
            connection.request("POST", "/control", body, {"Content-Type": "text/xml"})
            reply = connection.getresponse()
            text = reply.read().decode("latin-1")
        except (OSError, http.client.HTTPException) as error:
            sys.stderr.write("client %d: %s\n" % (number, error))
            connection.close()
            return False
        code = re.search(r"<actionReturnCode>(-?\d+)</actionReturnCode>", text)
        if reply.status != 200 or code is None or code.group(1) != "0":
            sys.stderr.write("client %d: %d %s\n" % (number, reply.status, text[:200]))
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


threads = [threading.Thread(target=client, args=(n,)) for n in range(clients)]
for thread in threads:
    thread.start()
for thread in threads:
    thread.join()
failed = False
for number, done in enumerate(results):
    if done is None:
        print("client %d: did not finish" % number)
        failed = True
        continue
    print("client %d: skips %d queries %d failures %d" % (number, done["skips"], done["queries"], done["failures"]))
    failed = failed or done["failures"] > 0
sys.exit(1 if failed else 0)
