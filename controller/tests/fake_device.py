#!/usr/bin/env python3
"""A device service for the controller's tests: answers POST /control actionList documents.

Usage: fake_device.py MODE RECORD_FILE
Prints its port on the first line. Every request is appended to RECORD_FILE as one JSON line
(method, path, content type, body). Modes:
  echo       every action gets an actionResponse; each out argument's hostvar gets "<device>:<name>"
  error      status 500 with an empty body
  slow       as echo, after 1.5 s
  close      reads the request and closes the connection without an answer
  malformed  status 200 with a body that is not XML
"""
import http.server
import json
import re
import socketserver
import sys
import time

MODE = sys.argv[1]
RECORD = sys.argv[2]


def answer_actions(body):
    responses = []
    for action in re.findall(r"<action>(.*?)</action>", body, re.S):
        name = re.search(r"<actionName>(.*?)</actionName>", action).group(1)
        trans = re.search(r"<transID>(.*?)</transID>", action).group(1)
        action_id = re.search(r"<actionID>(.*?)</actionID>", action).group(1)
        arguments = ""
        for argument in re.findall(r"<argument>(.*?)</argument>", action, re.S):
            hostvar = re.search(r"<hostvar>(.*?)</hostvar>", argument)
            arg_name = re.search(r"<name>(.*?)</name>", argument).group(1)
            if hostvar:
                arguments += ("<argument><name>%s</name><seq>1</seq><hostvar>%s</hostvar><value>%s:%s</value>"
                              "</argument>" % (arg_name, hostvar.group(1), MODE, arg_name))
        responses.append("<actionResponse><actionName>%s</actionName><actionID>%s</actionID><transID>%s</transID>"
                         "<actionReturnCode>0</actionReturnCode><actionReturnMsg>OK</actionReturnMsg>%s"
                         "</actionResponse>" % (name, action_id, trans, arguments))
    return ('<?xml version="1.0" encoding="ISO-8859-1"?><actionResponseList>%s</actionResponseList>'
            % "".join(responses))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length).decode("latin-1")
        with open(RECORD, "a") as record:
            record.write(json.dumps({"method": "POST", "path": self.path,
                                     "type": self.headers.get("Content-Type", ""), "body": body}) + "\n")
        if MODE == "close":
            self.close_connection = True
            return
        if MODE == "slow":
            time.sleep(1.5)
        status, reply = 200, answer_actions(body)
        if MODE == "error":
            status, reply = 500, ""
        elif MODE == "malformed":
            reply = "<actionResponse><transID>"
        data = reply.encode("latin-1")
        self.send_response(status)
        self.send_header("Content-Type", "text/xml")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
