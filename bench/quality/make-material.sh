#!/usr/bin/env bash
# Makes the clean test material of the quality bench: 16-bit stereo WAV files at
# 44.1 and 48 kHz, about three minutes in all, from recordings that Debian
# packages ship (asc-music, fb-music-high, alsa-utils), speech from espeak-ng,
# and a quiet plucked piece made with sox.
#
#   bench/quality/make-material.sh OUTDIR
#
# Every step is repeatable: sox runs with -R (fixed random seeds) and -D (no
# dither), and mp3 is decoded by ffmpeg's fixed-point decoder.
set -euo pipefail
out=$1
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Final form: stereo, 16 bits, the given rate, a 10 ms fade at both ends (as a
# track starts from silence), the loudest peak at the given level in dBFS.
finish() { # input, output, rate, peak dBFS
    local len
    len=$(soxi -D "$1" 2>/dev/null)
    sox -V1 -R -D "$1" -r "$3" -c 2 -b 16 "$2" fade 0.01 "$len" 0.01 gain -n "$4"
}

# An excerpt of an mp3 file as 32-bit float WAV: input, start s, length s, output.
mp3_excerpt() {
    ffmpeg -nostdin -loglevel error -y -c:a mp3 -ss "$2" -t "$3" -i "$1" -c:a pcm_f32le "$4"
}

# Mono input with a hiss about 66 dB below full scale mixed in, at the given
# rate: no recording is digitally silent between words. input, rate, output.
with_hiss() {
    sox -V1 -R -D "$1" -r "$2" -c 1 "$tmp/dry.wav"
    sox -V1 -R -D -n -r "$2" -c 1 "$tmp/hiss.wav" synth "$(soxi -D "$tmp/dry.wav")" pinknoise vol 0.0005
    sox -V1 -R -D -m "$tmp/dry.wav" "$tmp/hiss.wav" "$3"
}

music=/usr/share/games/asc/music
mp3_excerpt "$music/frontiers.mp3" 60 40 "$tmp/orch1.wav"
finish "$tmp/orch1.wav" "$out/orchestral-1-44k.wav" 44100 -1
mp3_excerpt "$music/time_to_strike.mp3" 30 40 "$tmp/orch2.wav"
finish "$tmp/orch2.wav" "$out/orchestral-2-48k.wav" 48000 -1

# A tracker module, rendered straight at 48 kHz (full bandwidth, sampled instruments).
ffmpeg -nostdin -loglevel error -y -sample_rate 48000 \
    -i /usr/share/games/frozen-bubble/snd/frozen-mainzik-2p.xm -t 40 -c:a pcm_f32le "$tmp/tracker.wav"
finish "$tmp/tracker.wav" "$out/tracker-48k.wav" 48000 -1

# A human voice: the channel names that alsa-utils speaks, one after another.
voice=/usr/share/sounds/alsa
sox -R -D "$voice"/Front_Center.wav "$voice"/Front_Left.wav "$voice"/Front_Right.wav \
    "$voice"/Rear_Center.wav "$voice"/Rear_Left.wav "$voice"/Rear_Right.wav \
    "$voice"/Side_Left.wav "$voice"/Side_Right.wav "$tmp/voice.wav" pad 0 0.3 repeat 1
with_hiss "$tmp/voice.wav" 48000 "$tmp/voice-hiss.wav"
finish "$tmp/voice-hiss.wav" "$out/voice-48k.wav" 48000 -3

espeak-ng -v en-us -s 150 -w "$tmp/speech.wav" \
    "Old records crackle. Dust in the groove, a scratch across the surface, or a \
tape splice that was cut a little too short: each leaves a short sharp sound that \
was never part of the music. A careful listener hears the loud ones at once, and \
the quiet ones in the pauses between words and notes. A good repair finds them \
all, and leaves everything else exactly as it was. That is harder than it sounds, \
because music is full of sharp sounds that belong there: the attack of a piano \
note, a drum, the first consonant of a word."
with_hiss "$tmp/speech.wav" 44100 "$tmp/speech-hiss.wav"
finish "$tmp/speech-hiss.wav" "$out/speech-44k.wav" 44100 -3

# A quiet solo: plucked notes with room reverb and a little tape hiss.
notes=(C3 E3 G3 C4 A2 C3 E3 A3 F2 A2 C3 F3 G2 B2 D3 G3)
parts=()
for i in "${!notes[@]}"; do
    sox -R -D -n -r 44100 -c 1 -b 16 "$tmp/note$i.wav" synth 1.8 pluck "${notes[$i]}" fade 0 1.8 1.4
    parts+=("$tmp/note$i.wav")
done
sox -R -D "${parts[@]}" "$tmp/notes.wav" reverb 40
sox -V1 -R -D -n -r 44100 -c 1 "$tmp/tape.wav" synth "$(soxi -D "$tmp/notes.wav")" pinknoise vol 0.002
sox -V1 -R -D -m "$tmp/notes.wav" "$tmp/tape.wav" "$tmp/solo.wav"
finish "$tmp/solo.wav" "$out/plucked-solo-44k.wav" 44100 -12
