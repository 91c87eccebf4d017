"""Writes the demo board's data folder for tools/boardserver/server.py.

    python3 demo/build_demo.py OUT_FOLDER
"""
import json
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import content  # noqa: E402


def post_line(number, post, default_name, title):
    if isinstance(post, str):
        name, mail, body = default_name, "sage", post
    else:
        name, mail, body = post
    # Dates and IDs differ per post; a few posters keep their ID through a thread.
    hour, minute = 8 + number // 60 % 14, number % 60
    ident = "Kv%06X" % ((number * 2654435761) & 0xFFFFFF) if number % 4 else "Kv0Regul"
    date = "2026/12/%02d(%s) %02d:%02d:%02d.%02d ID:%s" % (
        1 + number // 120, "月火水木金土日"[(number // 120) % 7], hour, minute, (number * 13) % 60, number % 100, ident)
    return "%s<>%s<>%s<> %s <>%s\n" % (name, mail, date, body, title if number == 1 else "")


def build(out):
    for board in content.BOARDS:
        folder = os.path.join(out, board["path"])
        os.makedirs(os.path.join(folder, "dat"), exist_ok=True)
        with open(os.path.join(folder, "board.json"), "w", encoding="utf-8") as f:
            json.dump({"family": "2ch", "name": board["name"], "category": board["category"]}, f, ensure_ascii=False)
        for key, title, posts in board["threads"]:
            if posts is None:
                posts = content.long_thread()
            text = "".join(post_line(i + 1, p, board["default_name"], title) for i, p in enumerate(posts))
            with open(os.path.join(folder, "dat", "%d.dat" % key), "wb") as f:
                f.write(text.encode("cp932"))


if __name__ == "__main__":
    build(sys.argv[1])
