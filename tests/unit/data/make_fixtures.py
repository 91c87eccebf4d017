#!/usr/bin/env python3
"""Writes the byte fixtures of the reader tests (run from this folder).

The files hold what servers and users really hand the program: Shift_JIS
logs with the quirks of real boards, pages in each charset a server may
declare, and an ngword.txt as the list editor and hand edits leave it.
"""

def sj(text):
    return text.encode("cp932")

def write(name, data):
    with open(name, "wb") as f:
        f.write(data)

# A thread log with one of each kind of record. The three-field record ends
# the thread; the post after it must never show.
thread = b"".join([
    sj("名無し<>sage<>2006/01/01 00:00 ID:abc<> a <br> b <>テストスレ\n"),
    sj("名無し</b>◆abc<b><><>2006/01/01 00:01 ID:def<> &gt;&gt;3 &amp; &copy; <>\n"),
    sj('名無しさん<>sage<>2006/01/01 00:02 ID:ghi<> <a href="../test/read.cgi/news/1136041200/1" '
       'target="_blank">&gt;&gt;1</a> 表示ソ <BR> 二行目 <>\r\n'),
    b"\x01\x01\x01\x01\x01\x01\x01\x01\r\n",
    sj("名無し<>sage<>_2006/01/01 00:04<>消えた投稿<>\r"),
    sj("名無し<><>2006/01/01 00:05 ID:jkl<>　　　∧＿∧<br>　　（´∀｀）<>\n"),
    sj("a<>b<>c\n"),
    sj("名無し<><>2006/01/01 00:07 ID:mno<>見えない<>\n"),
])
write("thread_basic.dat", thread)

# A log to which a server's HTML error page was appended.
error_tail = b"".join([
    sj("名無し<>sage<>2006/01/01 00:00 ID:abc<>一<>タイトル\n"),
    sj("名無し<>sage<>2006/01/01 00:01 ID:abc<>二<>\n"),
    b"<html><head><title>503 Service Unavailable</title></head>\n",
    sj("名無し<>sage<>2006/01/01 00:02 ID:abc<>三<>\n"),
])
write("thread_error_page.dat", error_tail)

page_body = ("<html><head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset={cs}\">\n"
             "<title>テスト ページ</title></head>\n<body bgcolor=white>\n"
             "<h1>見出し</h1>\n<p>本文  です。<br>二行目&amp;終わり</p>\n"
             "<A HREF=\"/a/b.html\">リンク</A>\n"
             "</body></html>\n")
write("page_sjis.html", page_body.format(cs="Shift_JIS").encode("cp932"))
write("page_euc.html", page_body.format(cs="euc-jp").encode("euc_jp"))
write("page_utf8.html", page_body.format(cs="UTF-8").encode("utf-8"))
write("page_utf7.html", page_body.format(cs="UTF-7").encode("utf-7"))
write("page_jis.html", page_body.format(cs="iso-2022-jp").encode("iso2022_jp"))
# A declaration after </head> is no declaration.
late = ("<html><head><title>x</title></head><body>"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=euc-jp\">本文</body></html>")
write("page_late_charset.html", late.encode("cp932"))

# ngword.txt as hand edits leave it: comments, CR LF, a bare LF, a bare CR.
ng = b"".join([
    sj("; NG words\r\n"),
    sj("#3,word\r\n"),
    sj(";2,xyz\r\n"),
    sj("\r\n"),
    sj("0,荒らし\r\n"),
    sj("3,あいう\n"),
    sj("2,abc\r"),
    sj("x,not a key\r\n"),
    sj("1,age"),
])
write("ngword.txt", ng)

# Every JIS X 0208 character that both codecs know, as EUC-JP and as the
# Shift_JIS the row/cell arithmetic must give (an independent mapping).
euc, sjis = bytearray(), bytearray()
for c1 in range(0xA1, 0xFF):
    for c2 in range(0xA1, 0xFF):
        try:
            ch = bytes([c1, c2]).decode("euc_jp")
            s = ch.encode("cp932")
        except UnicodeError:
            continue
        if len(ch) != 1 or len(s) != 2:
            continue
        euc += bytes([c1, c2])
        sjis += s
write("jis0208.euc", bytes(euc))
write("jis0208.sjis", bytes(sjis))
