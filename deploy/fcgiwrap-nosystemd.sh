#!/bin/sh
# Starts fcgiwrap for nginx on a host without systemd (containers, minimal
# hosts): the socket, account and options that Debian's fcgiwrap.socket and
# fcgiwrap.service give it, so deploy/nginx-quorlink works unchanged. This
# is the line Debian's /etc/init.d/fcgiwrap runs; both need spawn-fcgi
# (apt-get install spawn-fcgi), and the init script quietly does nothing
# without it. Run as root; stop with: kill "$(cat /run/fcgiwrap.pid)"
#   -u/-g    the account the program runs as
#   -U/-G/-M the socket, for nginx's www-data workers only
#   -f       the program's standard error goes to nginx's error log
exec spawn-fcgi -s /run/fcgiwrap.socket -M 0660 -U www-data -G www-data \
  -u www-data -g www-data -P /run/fcgiwrap.pid -- /usr/sbin/fcgiwrap -f
