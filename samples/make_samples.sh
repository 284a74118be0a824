#!/usr/bin/env bash
# Writes the sample files of this folder from one Japanese text, in every
# character code the viewer reads. Needs python3 (its codecs do the work).
# Usage: samples/make_samples.sh   (writes next to this script)
set -euo pipefail
cd "$(dirname "$0")"
python3 - <<'PY'
text = """01: Vastrel のサンプル文章です。一ページずつ表示されます。
02: 春の朝、川沿いの道を歩くと、桜の花びらが水面に浮かんでいた。
03: 小さな橋の上で、老人が釣り糸を垂れている。
04: 「今日は何か釣れましたか」と尋ねると、彼は笑って首を振った。
05: 「釣れなくてもいいんです。ここに座っているのが好きなので」
06: 町の時計台が八時を告げ、子どもたちが学校へ走っていく。
07: パン屋の窓からは、焼きたてのパンの香りが漂ってくる。
08: 郵便局の前では、配達員が自転車に荷物を積んでいた。
09: 夏になると、この町は祭りの準備で忙しくなる。
10: 商店街には提灯が並び、夜遅くまで太鼓の音が響く。
11: 浴衣を着た人々が、かき氷を片手に川辺を歩く。
12: 花火が上がるたびに、歓声が夜空に広がった。
13: 祭りの翌朝、通りはいつもの静けさを取り戻す。
14: 秋の夕暮れは早い。
15: 山の木々が赤や黄色に染まり、風が少し冷たくなる。
16: 図書館の窓際の席で、本を読む学生の姿が見える。
17: 柿の実が熟し、畑では稲刈りが始まった。
18: 夜には虫の声が聞こえ、月が明るく道を照らす。
19: 冬の朝は静かだ。
20: 屋根に積もった雪が、朝日を受けて光っている。
21: 駅のホームでは、白い息を吐きながら人々が電車を待つ。
22: 温かいお茶を飲みながら、窓の外の景色を眺める。
23: 商店街の福引きで、子どもが一等を当てて大喜びした。
24: 年の暮れには、家族が集まって大掃除をする。
25: 正月の朝、神社には初詣の人々の長い列ができる。
26: おみくじを引いて、今年の運勢を占う。
27: 梅の花が咲き始めると、春はもうすぐそこだ。
28: 川の水は雪解けで増え、流れの音が大きくなる。
29: 老人はまた橋の上に座り、釣り糸を垂れている。
30: 「今年もよろしく」と声をかけると、彼は静かにうなずいた。
31: 学校の校庭では、新しい一年生が元気に走り回っている。
32: 町の人々は、変わらない毎日を大切にして暮らしている。
33: 英数字も混ぜておきます: ABC abc 0123456789 !?#%&()
34: 記号の例: 〒 ※ → ← ↑ ↓ ○ ● △ □ ◇ ☆ ★
35: 一年はこうして巡り、また新しい春がやってくる。
36: （おわり）
"""
lines = text.splitlines()
crlf = "\r\n".join(lines) + "\r\n"
lf = "\n".join(lines) + "\n"

def write(name, data):
    with open(name, "wb") as f:
        f.write(data)

write("sjis_crlf.txt", crlf.encode("cp932"))
write("sjis_lf.txt", lf.encode("cp932"))
write("utf8_bom.txt", b"\xef\xbb\xbf" + crlf.encode("utf-8"))
write("utf8_nobom.txt", crlf.encode("utf-8"))
write("utf16le_bom.txt", b"\xff\xfe" + crlf.encode("utf-16-le"))
write("utf16be_bom.txt", b"\xfe\xff" + crlf.encode("utf-16-be"))
# Without a mark, UTF-16 is found from a CR LF unit pair at the very start
# (or by the automatic detection): these two begin with an empty line.
write("utf16le_nobom.txt", ("\r\n" + crlf).encode("utf-16-le"))
write("utf16be_nobom.txt", ("\r\n" + crlf).encode("utf-16-be"))
write("eucjp.txt", crlf.encode("euc_jp"))
write("jis.txt", crlf.encode("iso2022_jp"))
PY
ls -l ./*.txt
