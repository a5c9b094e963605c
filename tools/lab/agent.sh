#!/bin/bash
# The lab guest's agent, in a chroot of the host's root: runs the commands the host sends over
# the console and answers each with one line, "@@R <id> <exit status> <output in base64>".
#   X <id> <command in base64>   run it and answer when it ends
#   B <id> <command in base64>   start it in the background; answered at once
#   W <id>                       wait for a background command and answer with its end
#   Q                            end the agent (the guest powers off)
# Commands bound their own time (timeout(1)); the host bounds the whole run.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/tmp LANG=C.UTF-8 XDG_RUNTIME_DIR=/tmp/xdg QT_QPA_PLATFORM=offscreen
mkdir -p -m 700 "$XDG_RUNTIME_DIR" /tmp/lab
stty -echo -icrnl 2>/dev/null

answer() {  # id status file
  printf '@@R %s %s %s\n' "$1" "$2" "$(base64 -w0 <"$3")"
}

declare -A pids
echo "@@LAB ready"
while IFS= read -r line; do
  read -r kind id code <<<"$line"
  case $kind in
    X)
      bash -c "$(printf '%s' "$code" | base64 -d)" >"/tmp/lab/$id.out" 2>&1 </dev/null
      answer "$id" $? "/tmp/lab/$id.out"
      ;;
    B)
      bash -c "$(printf '%s' "$code" | base64 -d)" >"/tmp/lab/$id.out" 2>&1 </dev/null &
      pids[$id]=$!
      echo "@@R $id 0 -"
      ;;
    W)
      wait "${pids[$id]}"
      answer "$id" $? "/tmp/lab/$id.out"
      ;;
    Q) break ;;
    *) [ -n "$kind" ] && echo "@@LAB unknown command $kind" ;;
  esac
done
