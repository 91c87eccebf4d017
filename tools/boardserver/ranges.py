"""How the board server treats a Range header, per mode.

  normal   every request's range is honoured (206 / 416)
  http11   as the widely used web servers that honour ranges only on HTTP/1.1
           requests: an HTTP/1.0 request gets 200 with the whole file

Set with /_kv/ranges?mode=... (or --ranges MODE); "reset" goes back to normal.
"""

MODES = ("normal", "http11")


def honours_range(mode, request_version):
    """Whether a request of this HTTP version ("HTTP/1.0", "HTTP/1.1") gets
    its range under the mode."""
    if mode == "http11":
        return request_version not in ("HTTP/1.0", "HTTP/0.9", "")
    return True
