#!/bin/sh
# A stand-in yt-dlp that plays back the file "transcript" next to it, one command a line:
#   say TEXT            prints TEXT and a line feed
#   warn TEXT           the same, on standard error
#   bytes FORMAT        printf FORMAT: escapes such as \303 or \n give raw bytes; nothing is added
#   copy SOURCE NAME    copies SOURCE into the working folder as NAME
#   exec COMMAND...     becomes COMMAND (a run that only ends when it is ended)
#   exit CODE
# "@FOLDER@" anywhere stands for the working folder taken from "-o". "--version" prints 2023.03.04.
# Each run writes its arguments to "args", one a line, and its process id to "pid".
here=$(dirname "$0")
[ "$1" = "--version" ] && echo 2023.03.04 && exit 0
printf '%s\n' "$@" > "$here/args"
echo $$ > "$here/pid"
folder=
previous=
for argument in "$@"; do
    [ "$previous" = "-o" ] && folder=$(dirname "$argument")
    previous=$argument
done
[ -f "$here/transcript" ] || exit 0
while IFS= read -r line || [ -n "$line" ]; do
    command=${line%% *}
    text=
    [ "$command" != "$line" ] && text=$(printf '%s' "${line#* }" | sed "s|@FOLDER@|$folder|g")
    case $command in
        say) printf '%s\n' "$text" ;;
        warn) printf '%s\n' "$text" >&2 ;;
        bytes) printf "$text" ;;
        copy) cp "${text%% *}" "$folder/${text#* }" ;;
        exec) exec $text ;;
        exit) exit "$text" ;;
    esac
done < "$here/transcript"
