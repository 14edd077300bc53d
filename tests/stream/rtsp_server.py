#!/usr/bin/python3
"""An RTSP server on loopback for the stream tests: a live test picture as
Motion-JPEG over RTP at rtsp://127.0.0.1:PORT/live, until killed.

    rtsp_server.py PORT
    rtsp_server.py --check    exits 0 when GStreamer's RTSP server and the
                              elements it needs are installed
"""
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

PIPELINE = (
    "( videotestsrc is-live=true pattern=smpte "
    "! video/x-raw,format=I420,width=320,height=240,framerate=10/1 "
    "! jpegenc ! rtpjpegpay name=pay0 pt=26 )"
)


def main():
    Gst.init(None)
    if sys.argv[1:] == ["--check"]:
        needed = ("videotestsrc", "jpegenc", "rtpjpegpay")
        sys.exit(0 if all(Gst.ElementFactory.find(n) for n in needed) else 1)
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(sys.argv[1])
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(PIPELINE)
    factory.set_shared(True)
    server.get_mount_points().add_factory("/live", factory)
    if server.attach(None) == 0:
        sys.exit(1)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
