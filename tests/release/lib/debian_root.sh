# Sourced by the release tests: a minimal Debian root (debootstrap's
# minbase) with nothing added but Xvfb and Mesa, where a release archive
# must play as on a machine with nothing installed. Made once and cached
# outside the work tree, under
# ${XDG_CACHE_HOME:-$HOME/.cache}/demoplayer/debian-root/KEY, KEY made of the
# suite, the mirror and the versions of the packages added and of the C
# library, as this machine's package index gives them for the suite (a new
# point release makes a new root). Needs root (or sudo) for debootstrap and
# chroot.

# What a desktop's player needs that minbase has not: an X server (Xvfb, with
# xauth for xvfb-run) and the GL driver (Mesa, through GLVND).
debian_root_packages=(xvfb xauth libgl1-mesa-dri libglx-mesa0 libegl-mesa0 libegl1)
debian_root_recipe=1  # raise when the way the root is made changes

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

# debian_root: prints the root's folder, made if it is not there yet.
debian_root() {
  local suite mirror key_text package version key cache root started=$SECONDS
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Identifier: Packages' |
    awk -v s="$suite" '$2 == s && m == "" { m = $1 } END { print m }')
  if [ -z "$suite" ] || [ -z "$mirror" ]; then
    echo "debian-root: this machine's apt sources name no Debian suite to make the root from" >&2
    return 1
  fi
  key_text="recipe=$debian_root_recipe $suite $mirror"
  for package in libc6 "${debian_root_packages[@]}"; do
    version=$(apt-cache madison "$package" | awk -F' [|] ' -v s=" $suite/main " 'index($3, s) && v == "" { v = $2; gsub(/ /, "", v) } END { print v }')
    key_text+=" $package=${version:-?}"
  done
  key=$(echo "$key_text" | sha256sum | cut -c1-16)
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/demoplayer/debian-root
  root=$cache/$key
  if [ ! -f "$root/.complete" ]; then
    echo "debian-root: making $root with debootstrap ($key_text)" >&2
    mkdir -p "$cache"
    "${as_root[@]}" rm -rf "$root.partial"
    local includes
    includes=$(IFS=,; echo "${debian_root_packages[*]}")
    if ! "${as_root[@]}" debootstrap --variant=minbase --include="$includes" "$suite" "$root.partial" "$mirror" \
      >"$cache/$key.log" 2>&1; then
      echo "debian-root: debootstrap failed; the end of its log ($cache/$key.log):" >&2
      tail -n 15 "$cache/$key.log" | sed 's/^/  | /' >&2
      return 1
    fi
    "${as_root[@]}" rm -rf "$root.partial/var/cache/apt/archives"/*.deb
    "${as_root[@]}" touch "$root.partial/.complete"
    "${as_root[@]}" mv "$root.partial" "$root"
    echo "debian-root: made in $((SECONDS - started)) s ($(du -sh "$root" | cut -f1))" >&2
  fi
  echo "$root"
}

# in_root ROOT COMMAND...: runs COMMAND in ROOT with /proc, /dev and a
# fresh /tmp of its own; the mounts end with it.
in_root() {
  local root=$1; shift
  "${as_root[@]}" unshare --mount --fork sh -c '
    root=$1; shift
    mount -t proc proc "$root/proc" && mount --rbind /dev "$root/dev" && mount -t tmpfs tmpfs "$root/tmp" &&
      exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp LANG=C.UTF-8 "$@"
  ' in_root "$root" "$@"
}
