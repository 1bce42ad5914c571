#!/usr/bin/python3
"""Serves the web page's site on this computer only (127.0.0.1) and, with --sim DEVICE,
a simulated controller's serial line to the page: the site's index.html then loads
sim-serial.js, a stand-in for the browser's serial ports whose one port is DEVICE (the
pseudo-terminal of a k5-sim), carried over a WebSocket at /sim-line?baud=N. The line is
opened at the page's speed, so k5-sim paces and checks speeds as on a real cable; when
k5-sim pulls its cable, the socket closes with code 4000. The built site itself never
holds the stand-in: it exists only here, for the demo and the tests. With --offline FLAG,
while the file FLAG exists the site's files are not served (the connection is dropped, as
with no network) but the stand-in and its line still are: a page that works offline is
tested so."""

import argparse
import asyncio
import hashlib
import http
import json
import mimetypes
import os
import pathlib
import sys
import termios
import urllib.parse

import websockets
import websockets.server

HERE = pathlib.Path(__file__).resolve().parent
SPEEDS = {
    9600: termios.B9600,
    38400: termios.B38400,
    57600: termios.B57600,
    115200: termios.B115200,
}
HUNG_UP = 4000
TYPES = {".js": "text/javascript", ".wasm": "application/wasm", ".json": "application/json"}


def open_line(device, baud):
    fd = os.open(device, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    attrs = termios.tcgetattr(fd)
    attrs[0] = 0  # iflag: raw, no XON/XOFF
    attrs[1] = 0  # oflag
    attrs[2] = termios.CS8 | termios.CREAD | termios.CLOCAL
    attrs[3] = 0  # lflag
    attrs[4] = attrs[5] = SPEEDS[baud]
    termios.tcsetattr(fd, termios.TCSANOW, attrs)
    return fd


async def carry_line(socket, device, baud):
    try:
        fd = open_line(device, baud)
    except OSError as error:
        await socket.close(code=4001, reason=os.strerror(error.errno))
        return
    loop = asyncio.get_running_loop()
    arrived = asyncio.Queue()

    def readable():
        try:
            data = os.read(fd, 4096)
        except BlockingIOError:
            return
        except OSError:
            data = b""  # EIO: the simulator closed its end
        if not data:
            loop.remove_reader(fd)
        arrived.put_nowait(data)

    loop.add_reader(fd, readable)

    async def to_page():
        while True:
            data = await arrived.get()
            if not data:
                await socket.close(code=HUNG_UP, reason="hung up")
                return
            await socket.send(data)

    async def to_line():
        async for message in socket:
            data = memoryview(message if isinstance(message, bytes) else message.encode())
            while data:
                try:
                    written = os.write(fd, data)
                    data = data[written:]
                except BlockingIOError:
                    await asyncio.sleep(0.001)
                except OSError:
                    return

    sending = asyncio.ensure_future(to_page())
    receiving = asyncio.ensure_future(to_line())
    try:
        await asyncio.wait({sending, receiving}, return_when=asyncio.FIRST_COMPLETED)
    finally:
        sending.cancel()
        receiving.cancel()
        try:
            loop.remove_reader(fd)
        except (ValueError, OSError):
            pass
        os.close(fd)


def make_server(site, device, extra, offline=None):
    site = pathlib.Path(site).resolve()

    def page(body):
        """index.html as served: with the stand-in's script when there is a line."""
        if device is None:
            return body
        return body.replace(b'<script src="isolation.js">',
                            b'<script src="sim-serial.js"></script>\n<script src="isolation.js">', 1)

    def file_list(body):
        """site-files.json as served: the page's digest is the served page's."""
        if device is None or not (site / "index.html").is_file():
            return body
        listed = json.loads(body)
        listed["files"]["index.html"] = hashlib.sha256(page((site / "index.html").read_bytes())).hexdigest()
        return json.dumps(listed).encode()

    async def on_socket(socket, path):
        query = urllib.parse.parse_qs(urllib.parse.urlparse(path).query)
        baud = int(query.get("baud", ["0"])[0])
        if device is None or baud not in SPEEDS:
            await socket.close(code=4002, reason="no such line")
            return
        await carry_line(socket, device, baud)

    async def on_request(path, headers):
        route = urllib.parse.urlparse(path).path
        if route == "/sim-line" and device is not None:
            return None  # the WebSocket
        if offline and pathlib.Path(offline).exists() and not (HERE / route.lstrip("/")).is_file():
            raise ConnectionResetError("offline")  # dropped unanswered; the stand-in is no site file
        if route == "/":
            route = "/index.html"
        name = route.lstrip("/")
        if device is not None and name == "sim-serial.js":
            file = HERE / "sim-serial.js"
        elif name in extra:
            file = pathlib.Path(extra[name])
        else:
            file = (site / name).resolve()
            if site not in file.parents or not file.is_file():
                return http.HTTPStatus.NOT_FOUND, [("Content-Type", "text/plain")], b"not found\n"
        body = file.read_bytes()
        if name == "index.html":
            body = page(body)
        elif name == "site-files.json":
            body = file_list(body)
        kind = TYPES.get(file.suffix) or mimetypes.guess_type(file.name)[0] or "application/octet-stream"
        return http.HTTPStatus.OK, [("Content-Type", kind), ("Cache-Control", "no-store")], body

    return on_socket, on_request


async def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--site", required=True, help="the built site (build-web/site)")
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--sim", metavar="DEVICE", help="a k5-sim's device: offer it to the page as its serial port")
    parser.add_argument("--extra", action="append", default=[], metavar="NAME=FILE",
                        help="also serve FILE as NAME (e.g. packs.json), beside the site")
    parser.add_argument("--offline", metavar="FLAG", help="serve no file while the file FLAG exists")
    args = parser.parse_args()
    extra = dict(item.split("=", 1) for item in args.extra)
    on_socket, on_request = make_server(args.site, args.sim, extra, args.offline)
    async with websockets.server.serve(on_socket, "127.0.0.1", args.port, process_request=on_request,
                                       max_size=None, compression=None):
        print(f"serving http://localhost:{args.port}/", flush=True)
        await asyncio.Future()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
