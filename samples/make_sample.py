#!/usr/bin/env python3
"""Writes samples/sample.log: a small made-up forum log in CP932 with CR LF.

Header line 1: "NNNNN/TTTTT ID  author..." with the title starting at byte
column 38 (counted in CP932 bytes); header line 2: "(NN) YY/MM/DD hh:mm:ss"
and, for a reply, "  NNNNNへのコメント".
"""
import os

TOTAL = 12
MESSAGES = [
    # number, id, author, title, datetime, parent, body lines
    (1, "QVA00012", "山田 一郎", "はじめまして", "98/04/01 21:10:05", None,
     ["この会議室に初めて書き込みます。", "よろしくお願いします。", ""]),
    (2, "QVB00345", "佐藤 花子", "RE:はじめまして", "98/04/01 22:31:47", 1,
     ["ようこそ！", "ゆっくりしていってください。"]),
    (3, "QVC00678", "鈴木 次郎", "ﾊﾟｿｺﾝ通信の設定について", "98/04/02 08:02:11", None,
     ["モデムの設定がうまくいきません。", "ATコマンドの初期化文字列を教えてください。"]),
    (4, "QVA00012", "山田 一郎", "RE:はじめまして", "98/04/02 09:15:00", 2,
     ["ありがとうございます。"]),
    (5, "QVD00901", "高橋 三郎", "RE:ﾊﾟｿｺﾝ通信の設定について", "98/04/02 12:40:33", 3,
     ["AT&F で一度初期化してみてはどうでしょう。", "00099/00100 QVX00000 この行は 本文の一部です"]),
    (6, "QVC00678", "鈴木 次郎", "RE:ﾊﾟｿｺﾝ通信の設定について", "98/04/02 19:05:20", 5,
     ["うまくいきました！ Thanks."]),
    (7, "QVE01234", "田中 四郎", "オフ会のお知らせ", "98/04/03 20:00:00", None,
     ["来月、東京でオフ会を開きます。", "参加希望の方はコメントしてください。"]),
    (8, "QVB00345", "佐藤 花子", "RE:オフ会のお知らせ", "98/04/03 21:12:12", 7,
     ["参加します。"]),
    (9, "QVF05678", "伊藤 五郎", "RE:古い話題", "98/04/04 10:10:10", 42,
     ["（元の発言はこのログにはありません）"]),
    (10, "QVD00901", "高橋 三郎", "RE:オフ会のお知らせ", "98/04/04 11:11:11", 7,
     ["私も参加します。場所はどこですか？"]),
    (11, "QVE01234", "田中 四郎", "RE:オフ会のお知らせ", "98/04/04 12:30:45", 10,
     ["新宿駅の近くです。"]),
    (12, "QVG09999", "渡辺 六子", "雑談スレッド ABC abc ＡＢＣ", "98/04/05 23:59:59", None,
     ["かな カナ ｶﾅ の検索の練習用です。"]),
]


def enc(s):
    return s.encode("cp932")


def header1(number, uid, author, title):
    head = enc("%05d/%05d %s  %s" % (number, TOTAL, uid, author))
    head += b" " * max(1, 38 - len(head))
    return head + enc(title)


def main():
    out = []
    out.append(enc("*** 会議室ログ 取り込み開始 ***"))
    out.append(enc("ATDT 0120-000-000"))
    out.append(b"")
    for number, uid, author, title, dt, parent, body in MESSAGES:
        out.append(header1(number, uid, author, title))
        line2 = "(12) " + dt
        if parent is not None:
            line2 += "  %05dへのコメント" % parent
        out.append(enc(line2))
        out.extend(enc(b) for b in body)
    data = b"\r\n".join(out) + b"\r\n"
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sample.log")
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
