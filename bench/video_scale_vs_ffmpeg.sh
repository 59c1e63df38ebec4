#!/usr/bin/env bash
# The render tool's video at --scale 4 beside the same video scaled up by
# ffmpeg's own nearest-neighbour filter from a 1x stream, both to /dev/null:
# the wall time of each pipeline, run alternately ROUNDS times (the machine
# may be busy with other work), and their ratio per round. Both 4:4:4 and
# 4:2:0 (ffmpeg converting the scaled 4:4:4 stream, as a 1x capture had to).
#   bench/video_scale_vs_ffmpeg.sh [RENDER] [ROUNDS] [FRAMES]
set -euo pipefail
render=${1:-build/release/programs/ombrith-render}
rounds=${2:-3}
frames=${3:-300}
args=(--variant 320 --seed 7 --from 20 --frames "$frames" --fps 60 --no-progress)
neighbour="scale=iw*4:ih*4:flags=neighbor"

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
tool_444() { "$render" "${args[@]}" --scale 4 --video - >/dev/null; }
ffmpeg_444() {
    "$render" "${args[@]}" --video - |
        ffmpeg -v error -f yuv4mpegpipe -i - -vf "$neighbour" -f yuv4mpegpipe - >/dev/null
}
tool_420() { "$render" "${args[@]}" --scale 4 --chroma 420 --video - >/dev/null; }
ffmpeg_420() {
    "$render" "${args[@]}" --video - |
        ffmpeg -v error -f yuv4mpegpipe -i - -vf "$neighbour,format=yuv420p" -f yuv4mpegpipe - \
            >/dev/null
}

echo "$frames frames of the 320 variant to 1280x960, seconds (ffmpeg / tool)"
for round in $(seq "$rounds"); do
    for chroma in 444 420; do
        tool=$(seconds "tool_$chroma")
        ffmpeg=$(seconds "ffmpeg_$chroma")
        printf 'round %d %s: tool %.2f s (%.0f frames/s), ffmpeg %.2f s (%.0f frames/s), ratio %.2f\n' \
            "$round" "$chroma" "$tool" "$(echo "$frames / $tool" | bc -l)" "$ffmpeg" \
            "$(echo "$frames / $ffmpeg" | bc -l)" "$(echo "$ffmpeg / $tool" | bc -l)"
    done
done
