"""The demo board's contents: categories, boards and threads written for
this project. Text is UTF-8 here; build_demo.py writes it as Shift_JIS logs.

A post is (name, mail, body) or a bare body string (then the board's default
name and "sage"). Bodies use "<br>" between lines, as a server sends them.
"""

AA_CAT = (
    "　　 ∧＿∧<br>"
    "　　（　・ω・）　＜ のんびりいこうぜ<br>"
    "　　（　　つ旦O<br>"
    "　　と＿）＿）"
)

AA_TRAIN = (
    "　　　　　 ＿＿＿＿＿＿＿＿<br>"
    "　　　　／|　□　□　□　□ |<br>"
    "　 ＿＿|＿|＿＿＿＿＿＿＿＿|<br>"
    "　|＿＿|　◎　　　　　◎　|<br>"
    "～～～～～～～～～～～～～～"
)

AA_TABLE = (
    "┏━━━━┳━━━━┓<br>"
    "┃　月　　┃　晴れ　┃<br>"
    "┣━━━━╋━━━━┫<br>"
    "┃　火　　┃　雨　　┃<br>"
    "┗━━━━┻━━━━┛"
)

BOARDS = [
    {
        "path": "news", "name": "ローカルニュース", "category": "ニュース", "default_name": "名無しの住人",
        "threads": [
            (1733000001, "駅前の再開発が始まったらしい", [
                ("名無しの住人", "", "駅前のロータリー、来月から工事だってさ。<br>バス停の場所が変わるから注意な"),
                "&gt;&gt;1 マジか、毎朝使ってるのに",
                ("情報通◆Kv3eLoCal", "", "市のお知らせに載ってたよ<br>完成は再来年の春の予定"),
                "工事中は商店街が静かになりそう",
                "&gt;&gt;3 ソースありがとう",
                ("名無しの住人", "age", "新しい図書館も入るって聞いた"),
                "図書館はうれしい。駐輪場も広くしてほしい",
                "&gt;&gt;6 それは初耳だわ",
                AA_TRAIN,
                "&gt;&gt;9 電車じゃなくてバスの話だろｗ",
            ]),
            (1733000002, "【天気】今週は雨が多いスレ", [
                "週間予報見たら傘マークだらけ",
                AA_TABLE,
                "&gt;&gt;2 わかりやすい",
                ("気象好き◆Ame7Furi2", "", "低気圧が二つ続けて通るからね<br>金曜の夜から回復の見込み"),
                "洗濯物が乾かない……",
                "&gt;&gt;5 部屋干し用の洗剤おすすめ",
            ]),
        ],
    },
    {
        "path": "pc", "name": "パソコン相談", "category": "ＰＣ", "default_name": "名無しさん＠お腹いっぱい",
        "threads": [
            (1733100001, "古いノートを軽くしたい人のスレ Part3", None),  # generated: a long thread
            (1733100002, "キーボード談義", [
                "静電容量式を買ったら戻れなくなった",
                "&gt;&gt;1 打鍵音が好きで青軸使ってる",
                ("名無しさん＠お腹いっぱい", "sage", "配列は日本語派？英語派？"),
                "英語配列。記号の位置が覚えやすい",
                "&gt;&gt;3 日本語配列一択、かな入力なので",
                "かな入力の人、久しぶりに見た",
            ]),
        ],
    },
    {
        "path": "cooking", "name": "料理・レシピ", "category": "生活", "default_name": "名無しのコック",
        "threads": [
            (1733200001, "簡単な一人暮らし飯を教えて", [
                "火を使わないで作れるものが知りたい",
                ("名無しのコック", "", "レンジで蒸し鶏。鶏むね肉に塩と酒を振って六分"),
                "&gt;&gt;2 それいいね、サラダに乗せる",
                "豆腐に納豆とねぎを乗せるだけでも立派なおかず",
                AA_CAT,
                "&gt;&gt;5 かわいい",
                ("たまご職人◆Tama5goYaki", "", "卵焼きは砂糖多めが正義"),
                "&gt;&gt;7 だし巻き派だけど否定はしない",
            ]),
            (1733200002, "カレーの隠し味スレ", [
                "うちはりんごのすりおろし",
                "チョコを一かけ",
                "&gt;&gt;2 コーヒーもいいぞ",
                "インスタントコーヒーを小さじ一杯",
                "隠し味を入れすぎて何の料理かわからなくなった",
            ]),
        ],
    },
    {
        "path": "travel", "name": "旅行・散歩", "category": "趣味", "default_name": "名無しの旅人",
        "threads": [
            (1733300001, "各駅停車の旅が好きな人", [
                "急がない旅もいいもんだよ",
                AA_TRAIN,
                "&gt;&gt;2 この電車好き",
                ("鈍行マニア◆Don9Kou", "", "青春の切符で一日中乗ってた<br>駅弁が楽しみ"),
                "&gt;&gt;4 何駅の駅弁が一番だった？",
                ("鈍行マニア◆Don9Kou", "", "&gt;&gt;5 海沿いの駅のかにめし"),
            ]),
        ],
    },
    {
        "path": "pets", "name": "ペット", "category": "趣味", "default_name": "名無しの飼い主",
        "threads": [
            (1733400001, "猫の寝相を報告するスレ", [
                "今日はお腹を出して寝てた",
                AA_CAT,
                "&gt;&gt;2 うちの子もこんな感じ",
                "キーボードの上で寝るのはやめてほしい",
                "&gt;&gt;4 あるある",
            ]),
        ],
    },
]


def long_thread(posts=300):
    """A long thread for scrolling: varied names, trips, anchors, long bodies."""
    out = []
    tips = ["メモリを増やすのが一番効く", "常駐ソフトを減らそう", "SSDに換えたら別物になった",
            "軽いブラウザを使うのも手", "起動時のアプリを見直すといい", "ディスクの空きを確保しとけ"]
    for n in range(1, posts + 1):
        if n % 17 == 0:
            out.append(("常連◆Tiny4Note", "", "まとめると：<br>" + "<br>".join("・" + t for t in tips)))
        elif n % 11 == 0:
            out.append("&gt;&gt;%d わかる。%s" % (max(1, n - 3), tips[n % len(tips)]))
        elif n % 29 == 0:
            out.append(AA_CAT)
        elif n % 7 == 0:
            out.append(("名無しさん＠お腹いっぱい", "age", "長文失礼。" + "古いノートでも用途を絞れば十分使える。" * 4))
        else:
            out.append("%s（その%d）" % (tips[(n * 5) % len(tips)], n))
    return out
