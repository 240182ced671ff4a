#!/usr/bin/env python3
"""Makes the narrations that the aligner's figures are measured on.

Each line of a script is spoken on its own by espeak-ng's Mandarin voice
(cmn-latn-pinyin, which reads the pinyin written beside each line), at a
speed, pitch and pause of its own drawn from a fixed seed, and trimmed with
sox, so that where it starts and ends in the narration is known to the
millisecond. The narration is then heard under four conditions (clean, over
a synthetic music bed at -18 dB, over pink noise at -20 dB, in a room's
reverb) and encoded as wav, mp3 and m4a with ffmpeg.

    voice_narrations.py FOLDER

Writes FOLDER/voice-HASH/ (the hash is of this file and the tools'
versions, so that nothing is made twice) and prints the path of its
manifest.json: for each narration its script, the true times of its lines
and its recordings.
"""

import array
import hashlib
import json
import math
import os
import random
import subprocess
import sys
import wave

RATE = 22050

# Lines of a travel narration, written for these figures, with the pinyin
# espeak-ng reads.
LINES = [
    ("清晨的山谷里雾气还没有散开", "qing1 chen2 de5 shan1 gu3 li3 wu4 qi4 hai2 mei2 you3 san4 kai1"),
    ("我们沿着小路慢慢往上走", "wo3 men5 yan2 zhe5 xiao3 lu4 man4 man4 wang3 shang4 zou3"),
    ("路边的野花开得正好", "lu4 bian1 de5 ye3 hua1 kai1 de5 zheng4 hao3"),
    ("远处传来几声鸟叫", "yuan3 chu4 chuan2 lai2 ji3 sheng1 niao3 jiao4"),
    ("这里的村民世代种茶", "zhe4 li3 de5 cun1 min2 shi4 dai4 zhong4 cha2"),
    ("每年春天是最忙的时候", "mei3 nian2 chun1 tian1 shi4 zui4 mang2 de5 shi2 hou5"),
    ("天刚亮大家就上山采茶", "tian1 gang1 liang4 da4 jia1 jiu4 shang4 shan1 cai3 cha2"),
    ("新鲜的茶叶要当天炒好", "xin1 xian1 de5 cha2 ye4 yao4 dang1 tian1 chao3 hao3"),
    ("火候全靠老师傅的一双手", "huo3 hou4 quan2 kao4 lao3 shi1 fu5 de5 yi4 shuang1 shou3"),
    ("锅里的温度很高", "guo1 li3 de5 wen1 du4 hen3 gao1"),
    ("他的动作却不紧不慢", "ta1 de5 dong4 zuo4 que4 bu4 jin3 bu4 man4"),
    ("一锅茶要翻炒二十多分钟", "yi4 guo1 cha2 yao4 fan1 chao3 er4 shi2 duo1 fen1 zhong1"),
    ("炒好的茶叶摊在竹席上晾凉", "chao3 hao3 de5 cha2 ye4 tan1 zai4 zhu2 xi2 shang4 liang4 liang2"),
    ("屋子里满是茶香", "wu1 zi5 li3 man3 shi4 cha2 xiang1"),
    ("午饭是简单的家常菜", "wu3 fan4 shi4 jian3 dan1 de5 jia1 chang2 cai4"),
    ("青菜是自家地里种的", "qing1 cai4 shi4 zi4 jia1 di4 li3 zhong4 de5"),
    ("腊肉挂在灶台上熏了一个冬天", "la4 rou4 gua4 zai4 zao4 tai2 shang4 xun1 le5 yi2 ge4 dong1 tian1"),
    ("米饭用柴火慢慢焖熟", "mi3 fan4 yong4 chai2 huo3 man4 man4 men4 shu2"),
    ("吃完饭", "chi1 wan2 fan4"),
    ("孩子们跑到河边去玩水", "hai2 zi5 men5 pao3 dao4 he2 bian1 qu4 wan2 shui3"),
    ("河水清得能看见底下的石头", "he2 shui3 qing1 de5 neng2 kan4 jian4 di3 xia4 de5 shi2 tou5"),
    ("小鱼在石缝间游来游去", "xiao3 yu2 zai4 shi2 feng4 jian1 you2 lai2 you2 qu4"),
    ("下午的阳光有些晒人", "xia4 wu3 de5 yang2 guang1 you3 xie1 shai4 ren2"),
    ("老人们坐在树荫下聊天", "lao3 ren2 men5 zuo4 zai4 shu4 yin1 xia4 liao2 tian1"),
    ("他们说起从前的日子", "ta1 men5 shuo1 qi3 cong2 qian2 de5 ri4 zi5"),
    ("那时候山里还没有公路", "na4 shi2 hou5 shan1 li3 hai2 mei2 you3 gong1 lu4"),
    ("出一趟山要走大半天", "chu1 yi2 tang4 shan1 yao4 zou3 da4 ban4 tian1"),
    ("茶叶全靠人背出去卖", "cha2 ye4 quan2 kao4 ren2 bei1 chu1 qu4 mai4"),
    ("现在好了", "xian4 zai4 hao3 le5"),
    ("收茶的车可以开到家门口", "shou1 cha2 de5 che1 ke3 yi3 kai1 dao4 jia1 men2 kou3"),
    ("年轻人也愿意回来了", "nian2 qing1 ren2 ye3 yuan4 yi4 hui2 lai2 le5"),
    ("有人在网上开了小店", "you3 ren2 zai4 wang3 shang4 kai1 le5 xiao3 dian4"),
    ("把家乡的茶卖到了很远的地方", "ba3 jia1 xiang1 de5 cha2 mai4 dao4 le5 hen3 yuan3 de5 di4 fang1"),
    ("傍晚的时候起风了", "bang4 wan3 de5 shi2 hou5 qi3 feng1 le5"),
    ("云从山顶压了下来", "yun2 cong2 shan1 ding3 ya1 le5 xia4 lai2"),
    ("一场雨说来就来", "yi4 chang3 yu3 shuo1 lai2 jiu4 lai2"),
    ("雨点打在瓦片上噼啪作响", "yu3 dian3 da3 zai4 wa3 pian4 shang4 pi1 pa1 zuo4 xiang3"),
    ("院子里的鸡鸭都躲进了棚子", "yuan4 zi5 li3 de5 ji1 ya1 dou1 duo3 jin4 le5 peng2 zi5"),
    ("雨停以后", "yu3 ting2 yi3 hou4"),
    ("山间挂起了一道彩虹", "shan1 jian1 gua4 qi3 le5 yi2 dao4 cai3 hong2"),
    ("空气里带着泥土的味道", "kong1 qi4 li3 dai4 zhe5 ni2 tu3 de5 wei4 dao4"),
    ("夜里的山村格外安静", "ye4 li3 de5 shan1 cun1 ge2 wai4 an1 jing4"),
    ("只有虫子在草丛里低声唱歌", "zhi3 you3 chong2 zi5 zai4 cao3 cong2 li3 di1 sheng1 chang4 ge1"),
    ("抬头就能看见满天的星星", "tai2 tou2 jiu4 neng2 kan4 jian4 man3 tian1 de5 xing1 xing5"),
    ("明天一早", "ming2 tian1 yi4 zao3"),
    ("我们还要跟着他们去采茶", "wo3 men5 hai2 yao4 gen1 zhe5 ta1 men5 qu4 cai3 cha2"),
    ("好", "hao3"),
    ("这一期就先聊到这里", "zhe4 yi4 qi1 jiu4 xian1 liao2 dao4 zhe4 li3"),
    ("我们下次再见", "wo3 men5 xia4 ci4 zai4 jian4"),
    ("这条小路一共有三千二百级台阶", "zhe4 tiao2 xiao3 lu4 yi2 gong4 you3 san1 qian1 er4 bai3 ji2 tai2 jie1"),
]

# The narrations the accuracy figures are measured on, 30 lines each, by the
# seeds they are drawn from. The aligner was tuned on the first set only;
# the second was looked at once its first version was done, the third only
# once the second version was.
SETS = [
    ("tuned", range(1000, 1004)),
    ("held-out", range(1004, 1008)),
    ("fresh", range(7301, 7309)),
]
LINES_EACH = 30
LONG_SECONDS = 600  # the narration the speed and memory are measured on
CONDITIONS = ["clean", "music", "noise", "reverb"]
FORMATS = ["wav", "mp3", "m4a"]


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def sox(*arguments):
    # Repeatable: sox otherwise seeds its dither and noise from the clock, and
    # the same seeds would make other recordings each time.
    run("sox", "-R", *arguments)


def output_of(*command):
    done = subprocess.run(command, check=True, capture_output=True, text=True)
    return done.stdout + done.stderr


def read_samples(path):
    with wave.open(path, "rb") as w:
        assert w.getframerate() == RATE and w.getnchannels() == 1 and w.getsampwidth() == 2
        samples = array.array("h")
        samples.frombytes(w.readframes(w.getnframes()))
        return samples


def write_samples(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(samples.tobytes())


def rms(samples):
    return math.sqrt(sum(s * s for s in samples) / max(len(samples), 1)) / 32768


def spoken_line(work, pinyin, speed, pitch):
    """One line spoken and trimmed to its sound: its samples."""
    raw = os.path.join(work, "line-raw.wav")
    trimmed = os.path.join(work, "line.wav")
    run("espeak-ng", "-v", "cmn-latn-pinyin", "-s", str(speed), "-p", str(pitch), "-w", raw, pinyin)
    sox(raw, "-r", str(RATE), "-c", "1", "-b", "16", trimmed,
        "silence", "1", "0.005", "0.3%", "reverse", "silence", "1", "0.005", "0.3%", "reverse")
    return read_samples(trimmed)


def narration(work, rng, count):
    """A script of `count` lines and its clean narration."""
    chosen = []
    while len(chosen) < count:
        pool = list(range(len(LINES)))
        rng.shuffle(pool)
        chosen += pool
    samples = array.array("h", bytes(2 * int(rng.uniform(0.3, 1.0) * RATE)))
    lines = []
    speech = array.array("h")
    for index in chosen[:count]:
        text, pinyin = LINES[index]
        blanks = 1 if lines and rng.random() < 0.15 else 0
        if lines:
            # Pauses between 30 ms and 1.5 s, as many short as long ones;
            # a blank line in the script is a longer one.
            pause = math.exp(rng.uniform(math.log(0.03), math.log(1.5)))
            if blanks:
                pause = rng.uniform(1.2, 2.5)
            samples.extend(bytes(2 * int(pause * RATE)))
        speed = int(175 * rng.uniform(0.75, 1.25))
        pitch = rng.randint(25, 75)
        line = spoken_line(work, pinyin, speed, pitch)
        start = len(samples)
        samples.extend(line)
        speech.extend(line)
        lines.append({
            "text": text,
            "blanksBefore": blanks,
            "startMs": round(start * 1000 / RATE),
            "endMs": round(len(samples) * 1000 / RATE),
        })
    samples.extend(bytes(2 * int(rng.uniform(0.5, 1.5) * RATE)))
    return lines, samples, rms(speech)


def music_bed(work, rng, seconds):
    """Chords of plucked strings over a soft pad, a new one every half second."""
    notes = ["C3", "D3", "E3", "G3", "A3", "C4", "D4", "E4", "G4", "A4"]
    bars = []
    for bar in range(16):
        path = os.path.join(work, f"bar{bar}.wav")
        chord = rng.sample(notes, 3)
        voices = []
        for note in chord:
            voices += ["pluck", note]
        sox("-n", "-r", str(RATE), "-c", "1", "-b", "16", path, "synth", "0.5", *voices,
            "sine", chord[0], "fade", "0", "0.5", "0.05", "norm", "-6")
        bars.append(path)
    order = [rng.choice(bars) for _ in range(int(seconds / 0.5) + 1)]
    path = os.path.join(work, "music.wav")
    sox(*order, path)
    return path


def mixed(work, clean, speech_rms, bed, decibels, name):
    bed_rms = float(output_of("sox", bed, "-n", "stat").split("RMS     amplitude:")[1].split()[0])
    volume = speech_rms * 10 ** (decibels / 20) / bed_rms
    path = os.path.join(work, name)
    sox("-m", "-v", "1", clean, "-v", f"{volume:.6f}", bed, path, "trim", "0",
        str(len(read_samples(clean)) / RATE))
    return path


def recordings(folder, work, name, lines, samples, speech_rms, rng, conditions, formats):
    seconds = len(samples) / RATE
    clean = os.path.join(work, "clean.wav")
    write_samples(clean, samples)
    heard = {}
    for condition in conditions:
        if condition == "clean":
            source = clean
        elif condition == "music":
            source = mixed(work, clean, speech_rms, music_bed(work, rng, seconds), -18, "music-mix.wav")
        elif condition == "noise":
            noise = os.path.join(work, "pink.wav")
            sox("-n", "-r", str(RATE), "-c", "1", "-b", "16", noise, "synth", str(seconds),
                "pinknoise")
            source = mixed(work, clean, speech_rms, noise, -20, "noise-mix.wav")
        else:
            source = os.path.join(work, "reverb.wav")
            sox(clean, source, "reverb", "50", "50", "100")
        for kind in formats:
            target = os.path.join(folder, f"{name}-{condition}.{kind}")
            codec = {"wav": [], "mp3": ["-b:a", "128k"], "m4a": ["-c:a", "aac", "-b:a", "128k"]}[kind]
            run("ffmpeg", "-y", "-loglevel", "error", "-i", source, *codec, target)
            heard.setdefault(condition, {})[kind] = os.path.basename(target)
    script = os.path.join(folder, f"{name}.txt")
    with open(script, "w", encoding="utf-8") as out:
        for line in lines:
            out.write("\n" * line["blanksBefore"] + line["text"] + "\n")
    return {"name": name, "script": os.path.basename(script), "lines": lines,
            "seconds": seconds, "recordings": heard}


def main():
    parent = sys.argv[1]
    with open(__file__, "rb") as source:
        recipe = source.read()
    for tool in (["espeak-ng", "--version"], ["sox", "--version"], ["ffmpeg", "-version"]):
        recipe += output_of(*tool).splitlines()[0].encode()
    folder = os.path.join(parent, "voice-" + hashlib.sha256(recipe).hexdigest()[:12])
    manifest = os.path.join(folder, "manifest.json")
    if not os.path.exists(manifest):
        os.makedirs(folder, exist_ok=True)
        work = os.path.join(folder, "work")
        os.makedirs(work, exist_ok=True)
        narrations = []
        for kind, seeds in SETS:
            for seed in seeds:
                rng = random.Random(seed)
                lines, samples, speech_rms = narration(work, rng, LINES_EACH)
                made = recordings(folder, work, f"n{seed}", lines, samples, speech_rms, rng,
                                  CONDITIONS, FORMATS)
                made["set"] = kind
                narrations.append(made)
        rng = random.Random(2000)
        lines, samples, speech_rms = narration(work, rng, int(LONG_SECONDS / 3.5))
        long = recordings(folder, work, "long", lines, samples, speech_rms, rng, ["clean"], ["mp3"])
        for name in os.listdir(work):
            os.remove(os.path.join(work, name))
        os.rmdir(work)
        with open(manifest + ".part", "w", encoding="utf-8") as out:
            json.dump({"narrations": narrations, "long": long}, out, ensure_ascii=False, indent=1)
        os.replace(manifest + ".part", manifest)
    print(manifest)


if __name__ == "__main__":
    main()
