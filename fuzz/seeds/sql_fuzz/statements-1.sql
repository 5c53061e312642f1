insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat) values('x''y','555',1,0)
insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat) values('dup','555',1,0)
update zk_auto_qqlist set A_Name='renamed',A_stat=1 where A_QQ='555'
update zk_auto_sys set S_AQ=1,S_QQpath='c:\qq.exe'
delete from zk_auto_qqlist where A_QQ='777'
select A_Name,A_QQ from zk_auto_qqlist where A_QQ='555'