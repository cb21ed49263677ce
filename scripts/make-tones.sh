#!/usr/bin/env bash
# Synthesises the library's own short tones (Ogg Vorbis) into JVLAppKit/Resources/Sounds/.
# Run by hand when a tone changes; the results are committed. Needs sox with Ogg support.
set -euo pipefail
out=$(cd "$(dirname "$0")/.." && pwd)/JVLAppKit/Resources/Sounds
mkdir -p "$out"
sox -n -r 22050 -c 1 "$out/Chirp.ogg" synth 0.18 sine 1200-2400 fade q 0.01 0.18 0.08 vol 0.5
sox -n -r 22050 -c 1 "$out/Bell.ogg" synth 0.6 sine 880 sine 1320 fade l 0.005 0.6 0.55 vol 0.4
sox -n -r 22050 -c 1 "$out/Ripple.ogg" synth 0.35 sine 660 tremolo 18 90 fade q 0.02 0.35 0.15 vol 0.5

# The gallery's own tones, in its main bundle.
gallery=$(cd "$(dirname "$0")/.." && pwd)/gallery/Resources/Resources
sox -n -r 22050 -c 1 "$gallery/Marimba.ogg" synth 0.4 sine 523 sine 1046 fade l 0.003 0.4 0.37 vol 0.45
sox -n -r 22050 -c 1 "$gallery/Drip.ogg" synth 0.15 sine 1800-600 fade q 0.005 0.15 0.1 vol 0.5
